#include "runtime/messagebox.h"
#include "window/frmMail.h"
#include "window/messagebox.h"

#include <QApplication>
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
    if (!haveDisplay()) {
        std::fputs("hostip: no graphical display here (DISPLAY is not set).\n"
                   "Run it on a desktop, or in a virtual one: xvfb-run -a hostip [NAME|ADDRESS]\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    runtime::setMessageBox(window::showMessageBox);

    frmMail form(line);
    form.show();
    return QApplication::exec();
}
