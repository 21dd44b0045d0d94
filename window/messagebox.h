// The modal message box the core shows through runtime::setMessageBox.
#pragma once

#include <QPointer>
#include <QWidget>

#include <string>

namespace window {

// A modal QMessageBox: no icon, one OK button, `title` as its title, wide
// enough for the title bar to show it whole; in the font of the window whose
// command raises it (MessageParent), over that window once it is shown, and
// centred on the screen before (the start-up lookup's).
void showMessageBox(const std::u16string& text, const std::u16string& title);

// While it lives, message boxes belong to `window`, the window whose command
// is running, whichever window has the focus: in its font, and once it is
// shown, its child (on X11, transient for it) and over it; before it is shown,
// without a parent, centred on the screen it will open on.
class MessageParent {
  public:
    explicit MessageParent(QWidget* window);
    ~MessageParent();
    MessageParent(const MessageParent&) = delete;
    MessageParent& operator=(const MessageParent&) = delete;

  private:
    QPointer<QWidget> outer_;
};

} // namespace window
