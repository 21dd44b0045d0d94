// Which of Qt's platforms the window can open on, checked before Qt is asked:
// Qt aborts when the platform it picks cannot start.
#pragma once

#include <memory>
#include <string>

namespace window {

struct DisplayChoice {
    std::string platform; // for QApplication's -platform; empty: Qt's own choice
    std::string problem;  // not empty: no display can be reached, and why (one line)
    // The X connection the check made, to be let go once Qt has its own: an X
    // server with no other client resets when its last client leaves, and
    // would refuse Qt for that moment.
    std::shared_ptr<void> probe;
};

// A Wayland session is used natively when Qt's Wayland support is installed and
// the compositor answers (on GNOME, only where Qt draws GNOME's title bars;
// else its Xwayland, when that answers); otherwise X11, when DISPLAY names a
// server that answers. QT_QPA_PLATFORM, when set, is the user's own choice
// and is kept.
DisplayChoice chooseDisplay();

} // namespace window
