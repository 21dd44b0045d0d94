// Starts a window, waits for its first painted frame and exits, so that a
// command timer sees exec-to-first-frame. Built twice: with the real window
// (first_frame_hostip, command line "localhost") and with a bare window of the
// same six widgets and no lookups (first_frame_bare). With --rss, prints the
// peak resident set size in KiB to standard output.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

#ifdef BARE_WINDOW
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#else
#include "runtime/messagebox.h"
#include "window/frmMail.h"
#include "window/messagebox.h"
#endif

namespace {

class QuitAfterFirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv) {
    const bool rss = argc > 1 && std::strcmp(argv[1], "--rss") == 0;
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
#ifdef BARE_WINDOW
    QWidget window;
    window.setWindowTitle(QStringLiteral("HOST <-> IP {hostip}"));
    window.setFixedSize(282, 57);
    (new QLabel(QStringLiteral("Hostname:"), &window))->setGeometry(0, 0, 131, 13);
    (new QLineEdit(QStringLiteral("localhost"), &window))->setGeometry(0, 16, 129, 19);
    (new QPushButton(QStringLiteral("Resolve IP -->"), &window))->setGeometry(0, 40, 129, 17);
    (new QLabel(QStringLiteral("IP:"), &window))->setGeometry(152, 0, 125, 13);
    (new QLineEdit(QStringLiteral("127.0.0.1"), &window))->setGeometry(152, 16, 129, 19);
    (new QPushButton(QStringLiteral("<-- Resolve Hostname"), &window))
        ->setGeometry(152, 40, 129, 17);
    auto* line = new QFrame(&window);
    line->setFrameShape(QFrame::VLine);
    line->setGeometry(141, 8, 1, 40);
#else
    runtime::setMessageBox(window::showMessageBox);
    frmMail window(u"localhost");
#endif
    QuitAfterFirstPaint quit;
    window.installEventFilter(&quit);
    window.show();
    const int rc = QApplication::exec();
    if (rss) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%ld\n", usage.ru_maxrss);
    }
    return rc;
}
