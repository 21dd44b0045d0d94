// The program's one window: host name on the left, dotted address on the right,
// a lookup button under each.
#pragma once

#include "window/accessible.h"
#include "window/waiter.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace window {
// Whether a control's text (for a field, the longest address) fits the room
// the control's style leaves for it at the control's present size and font.
bool fits(const QWidget* control);
} // namespace window

class frmMail : public QWidget {
    Q_OBJECT

  public:
    // Builds the window and runs its start-up lookup for `commandLine` (every
    // argument after the program name, joined with single spaces). Message
    // boxes of the start-up come up before the window is shown.
    explicit frmMail(const std::u16string& commandLine, QWidget* parent = nullptr);
    ~frmMail() override;

    // The most characters a field holds.
    static constexpr int FieldLength = 65537;

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Font and geometry: the drawn grid, scaled to the desktop's text size.
    void layOut();
    void Form_Load(const std::u16string& commandLine);
    void Form_Unload();
    void cmdGetIP_Click();
    void cmdGetHost_Click();
    // The commands' lookups, of the given text (the field's, or at start-up the
    // whole command line), into the other field.
    void getIP(const std::u16string& host);
    void getHost(const std::u16string& address);
    // Runs a command's lookup: a wait cursor meanwhile, user input held until
    // it is over (window/inputhold.h), and no other command and no text set
    // from outside.
    void runLookup(const std::function<void()>& lookup);

    // First of all: with a screen reader running, Qt makes a widget's
    // accessible interface as soon as the widget changes, and keeps it.
    struct AccessibleFirst {
        AccessibleFirst() { window::installAccessibleInterfaces(); }
    } accessibleFirst_;
    window::LookupWaiter waiter_;
    QLabel* Label1;
    QLineEdit* txtHost;
    QPushButton* cmdGetIP;
    QLabel* Label2;
    QLineEdit* txtIP;
    QPushButton* cmdGetHost;
    QFrame* Line1;
    bool unloaded_ = false;
    bool busy_ = false;
    QString keptHost_, keptIP_; // the fields' texts while a lookup runs
};
