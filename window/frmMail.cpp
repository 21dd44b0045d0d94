#include "window/frmMail.h"

#include "lookup/mdlSock.h"
#include "lookup/wsock32.h"
#include "window/inputhold.h"
#include "window/startup.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWindow>

#include <limits>

namespace {

// The layout is drawn in twips; 15 twips make one device-independent pixel
// (96 dpi), and Qt scales those for the screen.
constexpr int px(int twips) {
    return twips / 15;
}
QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

QString qt(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// A wait cursor for as long as a blocking lookup runs.
class BusyCursor {
  public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

frmMail::frmMail(const std::u16string& commandLine, QWidget* parent)
    : QWidget(parent), Label1(named(new QLabel(QStringLiteral("Hostname:"), this), "Label1")),
      txtHost(named(new QLineEdit(QStringLiteral("localhost"), this), "txtHost")),
      cmdGetIP(named(new QPushButton(QStringLiteral("Resolve IP -->"), this), "cmdGetIP")),
      Label2(named(new QLabel(QStringLiteral("IP:"), this), "Label2")),
      txtIP(named(new QLineEdit(QStringLiteral("127.0.0.1"), this), "txtIP")),
      cmdGetHost(
          named(new QPushButton(QStringLiteral("<-- Resolve Hostname"), this), "cmdGetHost")),
      Line1(named(new QFrame(this), "Line1")) {
    setObjectName(QStringLiteral("frmMail"));
    setWindowTitle(QStringLiteral("HOST <-> IP {hostip}"));
    // A fixed size, and no maximise button on any desktop.
    setFixedSize(px(4230), px(855));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    // Small enough for every caption to fit its control at the drawn size.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    Label1->setGeometry(twipRect(0, 0, 1965, 195));
    txtHost->setGeometry(twipRect(0, 240, 1935, 285));
    cmdGetIP->setGeometry(twipRect(0, 600, 1935, 255));
    Label2->setGeometry(twipRect(2280, 0, 1875, 195));
    txtIP->setGeometry(twipRect(2280, 240, 1935, 285));
    cmdGetHost->setGeometry(twipRect(2280, 600, 1935, 255));

    // The separator: a one-pixel line from (2115, 120) to (2115, 720).
    Line1->setFrameShape(QFrame::VLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setLineWidth(1);
    Line1->setGeometry(px(2115), px(120), 1, px(720) - px(120));

    // The fields hold whatever is typed, pasted or given on the command line,
    // whole: a lookup never runs on a silently shortened text.
    txtHost->setMaxLength(std::numeric_limits<int>::max());
    txtIP->setMaxLength(std::numeric_limits<int>::max());

    Label1->setBuddy(txtHost);
    Label2->setBuddy(txtIP);
    setTabOrder(txtHost, txtIP);
    setTabOrder(txtIP, cmdGetIP);
    setTabOrder(cmdGetIP, cmdGetHost);

    connect(cmdGetIP, &QPushButton::clicked, this, &frmMail::cmdGetIP_Click);
    connect(cmdGetHost, &QPushButton::clicked, this, &frmMail::cmdGetHost_Click);
    for (QObject* watched : std::initializer_list<QObject*>{txtHost, txtIP, cmdGetIP, cmdGetHost})
        watched->installEventFilter(this);
    // Text set from outside while a lookup runs (an assistive tool can set a
    // field's text at any time) is refused: the lookup's fields stay as they are.
    for (QLineEdit* field : {txtHost, txtIP}) {
        connect(field, &QLineEdit::textChanged, this, [this, field] {
            const QString& kept = field == txtHost ? keptHost_ : keptIP_;
            if (!busy_ || field->text() == kept) return;
            const QSignalBlocker quiet(field);
            field->setText(kept);
        });
    }

    Form_Load(commandLine);
}

frmMail::~frmMail() {
    Form_Unload();
}

void frmMail::Form_Load(const std::u16string& commandLine) {
    mdlSock::StartWinsock();
    const startup::Plan plan = startup::plan(commandLine);
    switch (plan.path) {
    case startup::Path::Address:
        txtIP->setText(qt(plan.argument));
        cmdGetHost_Click();
        break;
    case startup::Path::Name:
        txtHost->setText(qt(plan.argument));
        cmdGetIP_Click();
        break;
    case startup::Path::LocalHost: {
        std::u16string address, host;
        runLookup([&] { address = mdlSock::GetIPFromHost(u"").value_or(u""); });
        txtIP->setText(qt(address));
        runLookup([&] { host = mdlSock::GetHostFromIP(address); });
        txtHost->setText(qt(host));
        break;
    }
    }
}

void frmMail::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    wsock32::WSACleanup();
}

void frmMail::closeEvent(QCloseEvent* event) {
    Form_Unload();
    // Closing does not wait for a lookup in progress: the lookup is given up
    // and the program ends with its window.
    window::LookupWaiter::abandon();
    event->accept();
}

void frmMail::changeEvent(QEvent* event) {
    // Some client-side decorations (Qt's own on Wayland) offer maximise
    // whatever the window says: the fixed-size window stays as it is.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized)) {
        setWindowState(windowState() & ~Qt::WindowMaximized);
        // On Wayland the compositor maximises first and tells the window after,
        // and Qt only asks it to take that back once the window has taken its
        // word (from Qt 6.7 on, also its size): ask again once that is done.
        if (QWindow* window = windowHandle())
            QMetaObject::invokeMethod(
                window,
                [window] {
                    window->setWindowStates(window->windowStates() & ~Qt::WindowMaximized);
                },
                Qt::QueuedConnection);
    }
    QWidget::changeEvent(event);
}

void frmMail::runLookup(const std::function<void()>& lookup) {
    busy_ = true;
    keptHost_ = txtHost->text();
    keptIP_ = txtIP->text();
    {
        const window::InputHold hold;
        const BusyCursor busy;
        lookup();
    }
    busy_ = false;
}

void frmMail::cmdGetIP_Click() {
    // One lookup at a time, and none once the window is unloaded.
    if (busy_ || unloaded_) return;
    // Show the field empty while the lookup blocks.
    txtIP->clear();
    txtIP->repaint();
    std::u16string address;
    runLookup(
        [&] { address = mdlSock::GetIPFromHost(txtHost->text().toStdU16String()).value_or(u""); });
    if (unloaded_) return; // closed meanwhile: the closed window changes no more
    txtIP->setText(qt(address));
}

void frmMail::cmdGetHost_Click() {
    if (busy_ || unloaded_) return;
    txtHost->clear();
    txtHost->repaint();
    std::u16string host;
    runLookup([&] { host = mdlSock::GetHostFromIP(txtIP->text().toStdU16String()); });
    if (unloaded_) return;
    txtHost->setText(qt(host));
}

bool frmMail::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == txtHost) cmdGetIP_Click();
            if (watched == txtIP) cmdGetHost_Click();
            // Enter on a focused button presses it, as Space does.
            if (watched == cmdGetIP || watched == cmdGetHost) {
                static_cast<QPushButton*>(watched)->click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event); // the key goes on to the field
}
