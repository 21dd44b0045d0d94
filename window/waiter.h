// How the window waits for the resolver.
//
// The blocking call into the resolver runs on a worker thread of its own while
// the GUI thread stays in a local event loop: it keeps painting and answering
// the window manager (pings, close), assistive tools (D-Bus) and timers. User
// input that arrives meanwhile (keys, mouse, wheel, touch, tablet, input
// method, context menus) is held back and handed on in the order it came once
// the answer is in, so it acts on the window only after the lookup; a drag
// dropped meanwhile is refused. The user waits, the desktop does not.
//
// Threads: the worker runs the one blocking call it is given and touches
// nothing else; it owns that call (see lookup/wsock32.h) and may outlive the
// wait when the wait is given up. Widgets, the failure record, message boxes
// and the socket layer's records stay on the GUI thread.
#pragma once

#include "lookup/wsock32.h"

namespace window {

// Puts this waiter behind the socket layer for as long as it lives.
class LookupWaiter {
  public:
    LookupWaiter();
    ~LookupWaiter();
    LookupWaiter(const LookupWaiter&) = delete;
    LookupWaiter& operator=(const LookupWaiter&) = delete;

    // Gives up the wait in progress, if any: its lookup fails at once as
    // interrupted, the worker finishes on its own and its answer is dropped.
    // Once a wait has been given up the program is ending, and abandoned()
    // stays true.
    static void abandon();
    static bool abandoned();

  private:
    wsock32::Waiter previous_;
};

} // namespace window
