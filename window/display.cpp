#include "window/display.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace window {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Whether one of Qt's platform plugins answers to `key`. Each plugin names its
// keys in its metadata, and Qt picks a plugin by those names, not by its file
// name, which changes between Qt versions. Reading the metadata does not load it.
bool qtHasPlatform(const QString& key) {
    // Where Qt looks: the folder QT_QPA_PLATFORM_PLUGIN_PATH names (as bundled
    // deployments have them), then each library path.
    QStringList dirs{qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH")};
    dirs.removeAll(QString());
    for (const QString& path : QCoreApplication::libraryPaths())
        dirs << path + QStringLiteral("/platforms");
    for (const QString& path : dirs) {
        const QDir dir(path);
        for (const QString& file : dir.entryList(QDir::Files)) {
            const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData();
            for (const QJsonValue name : meta.value(QLatin1String("MetaData"))
                                             .toObject()
                                             .value(QLatin1String("Keys"))
                                             .toArray())
                if (name.toString().compare(key, Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

// Whether the desktop session is GNOME's: XDG_CURRENT_DESKTOP is a list, as
// "ubuntu:GNOME".
bool gnome() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    return desktops.contains(QLatin1String("GNOME"), Qt::CaseInsensitive);
}

bool waylandAnswers(const std::string& display) {
    const std::string path =
        display.front() == '/' ? display : env("XDG_RUNTIME_DIR") + '/' + display;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool answered = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return answered;
}

// The open connection when the X server answers, else null.
std::shared_ptr<void> xAnswers(const std::string& display) {
    std::shared_ptr<xcb_connection_t> c(xcb_connect(display.c_str(), nullptr), xcb_disconnect);
    if (xcb_connection_has_error(c.get()) != 0) return nullptr;
    return c;
}

} // namespace

DisplayChoice chooseDisplay() {
    if (!env("QT_QPA_PLATFORM").empty()) return {{}, {}, nullptr};
    const std::string wayland = env("WAYLAND_DISPLAY"), x11 = env("DISPLAY");
    // GNOME draws no title bars for Wayland windows. Qt's own offer a maximise
    // that does nothing (up to 6.7); its imitation of GNOME's (from 6.8) takes
    // its buttons from the desktop portal, and shows none where it does not
    // answer. On Xwayland, GNOME draws the title bars itself, from its own
    // settings, and places the boxes over the window, as Qt 5 chose on GNOME.
    // Where it answers, Qt's Wayland plugins and socket are not looked at.
    const bool gnomeOnX = !wayland.empty() && !x11.empty() && gnome();
    if (gnomeOnX) {
        if (auto probe = xAnswers(x11)) return {"xcb", {}, std::move(probe)};
    }
    std::string problem;
    if (!wayland.empty()) {
        if (!qtHasPlatform(QStringLiteral("wayland")))
            problem = "this is a Wayland session, but Qt's Wayland support is not installed "
                      "(install the package qt6-wayland)";
        else if (!waylandAnswers(wayland))
            problem = "cannot connect to the Wayland display \"" + wayland + "\"";
        else
            return {"wayland", {}, nullptr};
    }
    if (!x11.empty()) {
        if (!gnomeOnX) { // GNOME's X server was asked first
            if (auto probe = xAnswers(x11)) return {"xcb", {}, std::move(probe)};
        }
        problem +=
            (problem.empty() ? "" : ", and ") + ("cannot open the X display \"" + x11 + "\"");
    }
    if (problem.empty())
        problem = "no graphical display here (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                  "run it on a desktop, or in a virtual one: xvfb-run -a hostip [NAME|ADDRESS]";
    return {{}, "hostip: " + problem + ".", nullptr};
}

} // namespace window
