#include "runtime/messagebox.h"
#include "window/display.h"
#include "window/frmMail.h"
#include "window/messagebox.h"
#include "window/startup.h"

#include <QApplication>
#include <QIcon>
#include <QString>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* const Usage = "Usage: hostip [NAME|ADDRESS]\n"
                          "Translate a host name to its IPv4 address and back, in a window.\n"
                          "\n"
                          "  NAME      look up a host name's first IPv4 address\n"
                          "  ADDRESS   look up the host name of a dotted IPv4 address\n"
                          "            (without either: the local host's address and name)\n"
                          "  -h, --help  show this text and exit\n"
                          "  --version   show the version and exit\n";

// Qt ends the program with abort() when its platform cannot start. Whatever
// the checks before could not foresee ends in one line and status 1 instead.
// Qt may call the handler from any thread.
QtMessageHandler qtMessages = nullptr;
std::atomic<bool> starting = true;

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg && starting) {
        std::fprintf(stderr, "hostip: the display could not be opened: %s\n",
                     qPrintable(message.section(QLatin1Char('\n'), 0, 0)));
        std::_Exit(1);
    }
    if (qtMessages) qtMessages(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    // The arguments are text in the locale's character set.
    std::setlocale(LC_CTYPE, "");
    const std::u16string line = startup::commandLine(argc, argv);
    // No host name starts with "-", so these take no lookup anybody could ask for.
    if (line == u"--help" || line == u"-h") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (line == u"--version") {
        std::puts("hostip " HOSTIP_VERSION);
        return 0;
    }
    window::DisplayChoice display = window::chooseDisplay();
    if (!display.problem.empty()) {
        std::fprintf(stderr, "%s\n", display.problem.c_str());
        return 1;
    }

    // Qt sees the program's name alone (and the platform chosen above), so no
    // argument is ever taken as one of Qt's own options.
    std::vector<char*> qtArgs{argv[0]};
    char platformOption[] = "-platform";
    if (!display.platform.empty())
        qtArgs.insert(qtArgs.end(), {platformOption, display.platform.data()});
    qtArgs.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgs.size()) - 1;

    qtMessages = qInstallMessageHandler(onQtMessage);
    QApplication app(qtArgc, qtArgs.data());
    starting = false;
    display.probe.reset();
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(HOSTIP_APP_ID)));
    QGuiApplication::setDesktopFileName(QStringLiteral(HOSTIP_APP_ID));
    runtime::setMessageBox(window::showMessageBox);

    frmMail form(line);
    form.show();
    return QApplication::exec();
}
