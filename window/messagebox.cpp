#include "window/messagebox.h"

#include "window/fixedsize.h"
#include "window/inputhold.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QIcon>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace window {

namespace {
QPointer<QWidget> parent; // of the command running, if any; GUI thread only

// The title bar's room for a box's title, the code that tells one message from
// another: the title in bold (as title bars draw it) and, on each side of it,
// as title bars centre it, the window manager's buttons. Qt's own title bar on
// Wayland, the most crowded, shows "9001" whole from 180 px wide: 80 a side
// gives that with a margin, and grows with the box's text, as title bars do
// with the desktop's.
int titleRoom(const QMessageBox& box) {
    QFont bold = box.font();
    bold.setBold(true);
    const double text = std::max(1.0, QFontInfo(box.font()).pixelSize() / 11.0);
    return QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + qRound(2 * 80 * text);
}

// A box with no window under it, centred on the screen. Qt would centre it as
// well, but knowing no window's frame yet, it guesses a 40 px title bar and
// puts the box that much higher; centred here once its size is known, just
// before it is first mapped, and never again: shown again (restored, say), it
// stays where the user may have moved it.
class CodedBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void changeEvent(QEvent* event) override {
        refuseMaximise(this, event);
        QMessageBox::changeEvent(event);
    }
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event); // sizes the box, then places it
        if (!placed_ && !parentWidget() && screen())
            move(screen()->availableGeometry().center() - rect().center());
        placed_ = true;
    }

  private:
    bool placed_ = false;
};
} // namespace

MessageParent::MessageParent(QWidget* window) : outer_(parent) {
    parent = window;
}

MessageParent::~MessageParent() {
    parent = outer_;
}

void showMessageBox(const std::u16string& text, const std::u16string& title) {
    // A command given up while it waited (its window closed) has nothing more to say.
    if (InputHold::givenUp()) return;
    // Input given while the lookup waited was given blind: it goes, unseen.
    InputHold::dropForMessage();
    QWidget* window = parent ? parent.data() : QApplication::activeWindow();
    // Over its window once that is on screen. Before (the start-up lookup's), a
    // box centred on a window that was never placed would open in the screen's
    // corner: it has no parent, on the screen the window will open on.
    QWidget* over = window && window->isVisible() ? window : nullptr;
    // A fixed size (QMessageBox's own) and a title bar with no maximise.
    CodedBox box(QMessageBox::NoIcon, QString::fromStdU16String(title),
                 QString::fromStdU16String(text), QMessageBox::Ok, over,
                 Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                     Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (window) box.setFont(window->font());
    if (window && !over) box.setScreen(window->screen());
    box.setObjectName(QStringLiteral("codedMessage"));
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    // Never narrower than its title needs: the row of buttons, as wide as the
    // box's content, made that wide at least, which QMessageBox takes into the
    // fixed size it sets as it shows.
    if (auto* buttons = box.findChild<QDialogButtonBox*>(); buttons && box.layout()) {
        const QMargins margins = box.layout()->contentsMargins();
        buttons->setMinimumWidth(titleRoom(box) - margins.left() - margins.right());
    }
    // A message raised inside a lookup would otherwise inherit its wait cursor.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QGuiApplication::restoreOverrideCursor();
}

} // namespace window
