#include "window/waiter.h"

#include "window/inputhold.h"

#include <QEventLoop>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace window {

namespace {

// Most answers (the hosts file, a cached name) come within microseconds: the GUI
// thread waits plainly this long, far less than a frame, before an event loop.
constexpr auto QuickAnswer = std::chrono::milliseconds(5);

// A wait in its event loop. Once given up it stays given up, even where its
// answer came in the same turn of the loop as the close that gave it up.
struct Wait {
    QEventLoop loop;
    bool givenUp = false;
};

// The wait in progress, if any; GUI thread only.
Wait* current = nullptr;

// One blocking call and its answer, shared by the worker and the waiting GUI
// thread: a call whose wait was given up still writes into live memory.
struct Job {
    wsock32::BlockingCall call;
    std::optional<wsock32::Answer> answer; // guarded by the worker's mutex
    QEventLoop* waiting = nullptr;         // likewise: the loop to wake, if any
};

// Worker thread: ends the waiting loop with a queued call. Qt hands the event
// it posts to the GUI thread under a lock of its own, which ThreadSanitizer
// does not see in a Qt not built for it: tests/tsan.supp names this function.
void wakeWaitingLoop(QEventLoop* loop) {
    QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
}

// What the GUI thread and the worker share, guarded by `mutex`: made with the
// first lookup and never freed, as the worker may still run at exit.
struct Shared {
    Shared() {
        try {
            worker = std::thread([this] { work(); });
        } catch (const std::system_error&) { // no thread to be had
        }
    }
    // The worker thread: runs one job at a time, a given-up one to its end.
    [[noreturn]] void work() {
        for (;;) {
            std::unique_lock lock(mutex);
            posted.wait(lock, [&] { return next != nullptr; });
            const std::shared_ptr<Job> job = std::move(next);
            lock.unlock();
            wsock32::Answer answer = job->call();
            lock.lock();
            job->answer = std::move(answer);
            answered.notify_one();
            if (job->waiting)
                wakeWaitingLoop(job->waiting); // cleared, under this lock, before the loop goes
        }
    }
    std::mutex mutex;
    std::condition_variable posted, answered;
    std::shared_ptr<Job> next; // posted and not yet taken
    std::thread worker;        // never joined
};

// GUI thread: runs `call` on the worker, waiting at length in an event loop.
wsock32::Answer waitOffThread(wsock32::BlockingCall call) {
    // One blocking call at a time, as with the socket library itself.
    if (current) return {std::nullopt, wsock32::WsaInProgress};
    static Shared& s = *new Shared;
    if (!s.worker.joinable()) return call(); // blocks, as the call itself does
    auto job = std::make_shared<Job>(Job{std::move(call), std::nullopt, nullptr});
    std::unique_lock lock(s.mutex);
    s.next = job;
    s.posted.notify_one();
    if (s.answered.wait_for(lock, QuickAnswer, [&] { return job->answer.has_value(); }))
        return std::move(*job->answer);
    Wait wait;
    job->waiting = &wait.loop;
    current = &wait;
    lock.unlock();
    wait.loop.exec(); // until the answer's wake-up, or until the wait is given up
    lock.lock();
    job->waiting = nullptr;
    current = nullptr;
    if (job->answer && !wait.givenUp) return std::move(*job->answer);
    // Given up: the window closed, or the application is quitting. What the
    // command would still say goes unsaid, and so does what it held.
    InputHold::giveUp();
    return {std::nullopt, wsock32::WsaInterrupted};
}

} // namespace

LookupWaiter::LookupWaiter() : previous_(wsock32::setWaiter(waitOffThread)) {}

LookupWaiter::~LookupWaiter() {
    wsock32::setWaiter(std::move(previous_));
}

void LookupWaiter::abandon() {
    if (!current) return;
    current->givenUp = true;
    current->loop.quit();
}

} // namespace window
