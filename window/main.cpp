#include "runtime/messagebox.h"
#include "window/frmMail.h"
#include "window/messagebox.h"

#include <QApplication>
#include <QIcon>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

// Everything after the program name, joined with single spaces, is the one
// argument. Read before QApplication takes its own options out of argv.
std::u16string commandLine(int argc, char** argv) {
    QString line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += QLatin1Char(' ');
        line += QString::fromLocal8Bit(argv[i]);
    }
    return line.toStdU16String();
}

const char* const Usage = "Usage: hostip [NAME|ADDRESS]\n"
                          "Translate a host name to its IPv4 address and back, in a window.\n"
                          "\n"
                          "  NAME      look up a host name's first IPv4 address\n"
                          "  ADDRESS   look up the host name of a dotted IPv4 address\n"
                          "            (without either: the local host's address and name)\n"
                          "  --help    show this text and exit\n"
                          "  --version show the version and exit\n";

bool haveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::u16string line = commandLine(argc, argv);
    // No host name starts with "-", so these take no lookup anybody could ask for.
    if (line == u"--help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (line == u"--version") {
        std::puts("hostip " HOSTIP_VERSION);
        return 0;
    }
    if (!haveDisplay()) {
        std::fputs("hostip: no graphical display here (DISPLAY is not set).\n"
                   "Run it on a desktop, or in a virtual one: xvfb-run -a hostip [NAME|ADDRESS]\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(HOSTIP_APP_ID)));
    QGuiApplication::setDesktopFileName(QStringLiteral(HOSTIP_APP_ID));
    runtime::setMessageBox(window::showMessageBox);

    frmMail form(line);
    form.show();
    return QApplication::exec();
}
