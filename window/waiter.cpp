#include "window/waiter.h"

#include "window/inputhold.h"

#include <QEventLoop>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace window {

namespace {

// Most answers (the hosts file, a cached name) come within microseconds: the
// GUI thread waits for them plainly this long, far less than a frame, before
// it sets up an event loop.
constexpr auto QuickAnswer = std::chrono::milliseconds(5);

// The wait in progress and whether one was given up; GUI thread only.
QEventLoop* current = nullptr;
bool gaveUp = false;

// One blocking call and its answer. The worker and the waiting GUI thread
// share it, so a call whose wait was given up still writes into live memory.
struct Job {
    wsock32::BlockingCall call;
    std::optional<wsock32::Answer> answer; // guarded by the worker's mutex
    QEventLoop* waiting = nullptr;         // likewise: the loop to wake, if any
};

// The one worker thread, started with the first lookup and kept for the life
// of the process. It runs one job at a time, in the order they came.
class Worker {
  public:
    static Worker& get() {
        static Worker* const worker = new Worker; // never freed: its thread may still run at exit
        return *worker;
    }

    // GUI thread: runs `call` on the worker and waits for its answer, at
    // length in an event loop with user input held back. Empty when given up.
    std::optional<wsock32::Answer> run(wsock32::BlockingCall call) {
        auto job = std::make_shared<Job>(Job{std::move(call), std::nullopt, nullptr});
        std::unique_lock lock(mutex_);
        queue_.push_back(job);
        posted_.notify_one();
        if (answered_.wait_for(lock, QuickAnswer, [&] { return job->answer.has_value(); }))
            return std::move(job->answer);
        QEventLoop loop;
        InputHold hold;
        job->waiting = current = &loop;
        lock.unlock();
        loop.exec(); // until the answer's wake-up, or until the wait is given up
        lock.lock();
        job->waiting = current = nullptr;
        return std::move(job->answer);
    }
    bool running() const { return running_; }

  private:
    Worker() {
        try {
            std::thread([this] { loop(); }).detach();
            running_ = true;
        } catch (const std::system_error&) {
            running_ = false; // no thread to be had: lookups block as the call itself does
        }
    }
    [[noreturn]] void loop() {
        for (;;) {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [&] { return !queue_.empty(); });
            const std::shared_ptr<Job> job = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            wsock32::Answer answer = job->call();
            lock.lock();
            job->answer = std::move(answer);
            answered_.notify_one();
            if (job->waiting) // cleared, under this lock, before the loop goes
                QMetaObject::invokeMethod(job->waiting, &QEventLoop::quit, Qt::QueuedConnection);
        }
    }

    std::mutex mutex_;
    std::condition_variable posted_, answered_;
    std::deque<std::shared_ptr<Job>> queue_;
    bool running_ = false;
};

wsock32::Answer waitOffThread(wsock32::BlockingCall call) {
    // One blocking call at a time, as with the socket library itself.
    if (current) return {std::nullopt, wsock32::WsaInProgress};
    Worker& worker = Worker::get();
    if (!worker.running()) return call();
    if (auto answer = worker.run(std::move(call))) return std::move(*answer);
    gaveUp = true; // the window closed, or the application is quitting
    return {std::nullopt, wsock32::WsaInterrupted};
}

} // namespace

LookupWaiter::LookupWaiter() : previous_(wsock32::setWaiter(waitOffThread)) {}

LookupWaiter::~LookupWaiter() {
    wsock32::setWaiter(std::move(previous_));
}

void LookupWaiter::abandon() {
    if (!current) return;
    gaveUp = true;
    current->quit();
}

bool LookupWaiter::abandoned() {
    return gaveUp;
}

} // namespace window
