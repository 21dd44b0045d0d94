// How the window waits for the resolver.
//
// The blocking call into the resolver runs on a worker thread while the GUI
// thread waits: plainly for a few milliseconds (most answers come far sooner),
// then in a local event loop that keeps painting and answering the window
// manager (pings, close), assistive tools (D-Bus) and timers. User input is
// held back meanwhile by the command that asked for the lookup
// (window/inputhold.h). The user waits, the desktop does not.
//
// Threads:
// - The GUI thread owns the wait: the event loop, the input hold, the
//   widgets, the failure record, message boxes and the socket layer's records.
// - The worker thread (one for the life of the process) runs the blocking
//   calls one at a time and touches nothing else. Each call owns what it
//   touches (see lookup/wsock32.h).
// - Between them, a job (the call, its answer and the loop to wake) is owned
//   by a std::shared_ptr on each side and guarded by the worker's mutex; the
//   worker wakes the loop with a queued call. A call whose wait was given up
//   runs to its end and writes its answer into its own job.
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
    // interrupted, the worker finishes on its own and its answer is dropped,
    // even one that is already in.
    // The command that waited says nothing more (InputHold::giveUp).
    static void abandon();

  private:
    wsock32::Waiter previous_;
};

} // namespace window
