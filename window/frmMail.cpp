#include "window/frmMail.h"

#include "lookup/mdlSock.h"
#include "lookup/wsock32.h"
#include "window/fixedsize.h"
#include "window/inputhold.h"
#include "window/messagebox.h"
#include "window/startup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

namespace {

// The layout is drawn in twips, 15 to a device-independent pixel at the text
// size it was drawn for; the whole grid grows by one factor with the desktop's
// text (as twips grew with the text size chosen on the platform it was drawn
// on), and Qt scales the pixels for the screen.
int px(int twips, double scale) {
    return qRound(twips * scale / 15);
}
QRect scaled(const QRect& twips, double scale) {
    return QRect(px(twips.x(), scale), px(twips.y(), scale), px(twips.width(), scale),
                 px(twips.height(), scale));
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

bool window::fits(const QWidget* widget) {
    QString text;
    QRect room = widget->rect();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
    } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = text = button->text();
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    } else if (const auto* field = qobject_cast<const QLineEdit*>(widget)) {
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth =
            field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        text = QStringLiteral("255.255.255.255");
        // Inside the style's frame, a line edit keeps 2 pixels each side and 1 above and below.
        room = field->style()
                   ->subElementRect(QStyle::SE_LineEditContents, &option, field)
                   .adjusted(2, 1, -2, -1);
    }
    const QFontMetrics fm(widget->font());
    return fm.horizontalAdvance(text) <= room.width() && fm.height() <= room.height();
}

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
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The separator: a one-pixel line.
    Line1->setFrameShape(QFrame::VLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setLineWidth(1);
    layOut();

    // Qt lays a field's whole line out on every paint, so a pasted megabyte
    // would freeze the window. 65,537 characters keep every rule reachable:
    // names are cut to 255 bytes, and 32,768 one-digit fields overflow the
    // address rules' 16-bit dot counter; past that no text behaves anew.
    txtHost->setMaxLength(FieldLength);
    txtIP->setMaxLength(FieldLength);

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

void frmMail::layOut() {
    // The text: the desktop's font (its family, and the size Qt's platform
    // theme gives every application), at 11/12 of its size, as the form was
    // drawn with 11 px text where Qt's own default is 9 pt (12 px at 96 dpi).
    // Never smaller than drawn, so where no desktop sets a font, the form is
    // exactly as drawn. In points: that is what the themes give, and pixels
    // round differently on different platforms.
    QFont font = QApplication::font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    const double text = std::max(1.0, points / 9);
    font.setPixelSize(qRound(11 * text));
    setFont(font);

    // One factor for the whole grid: the text's, and more where a caption in
    // the desktop's font family (wider than the one the form was drawn with,
    // say) would not fit its control in the control's own style.
    const std::pair<QWidget*, QRect> grid[] = {
        {Label1, {0, 0, 1965, 195}},     {txtHost, {0, 240, 1935, 285}},
        {cmdGetIP, {0, 600, 1935, 255}}, {Label2, {2280, 0, 1875, 195}},
        {txtIP, {2280, 240, 1935, 285}}, {cmdGetHost, {2280, 600, 1935, 255}},
    };
    double scale = text;
    for (int step = 0;; ++step, scale *= 1.02) {
        for (const auto& [widget, twips] : grid)
            widget->setGeometry(scaled(twips, scale));
        // At 2.7 times the text's, a font too odd to measure gives up.
        if (step == 50 || std::all_of(std::begin(grid), std::end(grid), [](const auto& control) {
                return window::fits(control.first);
            }))
            break;
    }
    // The separator from (2115, 120) to (2115, 720); a fixed size, and no
    // maximise button on any desktop.
    Line1->setGeometry(px(2115, scale), px(120, scale), 1, px(720, scale) - px(120, scale));
    setFixedSize(px(4230, scale), px(855, scale));
}

void frmMail::Form_Load(const std::u16string& commandLine) {
    const window::MessageParent boxesOverThis(this); // the socket library's start-up too
    mdlSock::StartWinsock();
    const startup::Plan plan = startup::plan(commandLine);
    switch (plan.path) {
    // The whole argument is looked up, also where the field shows only its start.
    case startup::Path::Address:
        txtIP->setText(qt(plan.argument));
        getHost(plan.argument);
        break;
    case startup::Path::Name:
        txtHost->setText(qt(plan.argument));
        getIP(plan.argument);
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

bool frmMail::event(QEvent* event) {
    // The desktop's font changed while hostip runs: the form follows it.
    if (event->type() == QEvent::ApplicationFontChange) layOut();
    return QWidget::event(event);
}

void frmMail::changeEvent(QEvent* event) {
    window::refuseMaximise(this, event);
    QWidget::changeEvent(event);
}

void frmMail::runLookup(const std::function<void()>& lookup) {
    busy_ = true;
    keptHost_ = txtHost->text();
    keptIP_ = txtIP->text();
    {
        const window::InputHold hold;
        const BusyCursor busy;
        const window::MessageParent boxesOverThis(this);
        lookup();
    }
    busy_ = false;
}

void frmMail::cmdGetIP_Click() {
    getIP(txtHost->text().toStdU16String());
}

void frmMail::cmdGetHost_Click() {
    getHost(txtIP->text().toStdU16String());
}

void frmMail::getIP(const std::u16string& host) {
    // One lookup at a time, and none once the window is unloaded.
    if (busy_ || unloaded_) return;
    // Show the field empty while the lookup blocks.
    txtIP->clear();
    txtIP->repaint();
    std::u16string address;
    runLookup([&] { address = mdlSock::GetIPFromHost(host).value_or(u""); });
    if (unloaded_) return; // closed meanwhile: the closed window changes no more
    txtIP->setText(qt(address));
}

void frmMail::getHost(const std::u16string& address) {
    if (busy_ || unloaded_) return;
    txtHost->clear();
    txtHost->repaint();
    std::u16string host;
    runLookup([&] { host = mdlSock::GetHostFromIP(address); });
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
