#include "window/waiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>

#include <atomic>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace window {

namespace {

using Clock = std::chrono::steady_clock;

// Most answers (the hosts file, a cached name) come within microseconds. The
// GUI thread watches for them this long, then waits on the answer's file
// descriptor this long, before it sets up an event loop.
constexpr auto QuickAnswer = std::chrono::microseconds(50);
constexpr int PlainWaitMs = 20;
// Lookups come in runs (a command, then start-up's second lookup, a user
// trying names): the worker stays awake this long after each one.
constexpr auto StayAwake = std::chrono::microseconds(200);

// The wait in progress and whether one was given up; GUI thread only.
QEventLoop* current = nullptr;
bool gaveUp = false;

// Watching for a quick answer only pays where the worker has a processor of
// its own; on one, the watcher would only keep the worker from running.
bool spinning() {
    static const bool several = [] {
        cpu_set_t cpus;
        return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 1;
    }();
    return several;
}

void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Watches for `ready` to hold, for `limit` at most, where watching pays.
template <class Ready> void spinFor(Clock::duration limit, Ready ready) {
    if (!spinning()) return;
    const auto until = Clock::now() + limit;
    for (unsigned n = 1; !ready(); ++n) {
        if (n % 64 == 0 && Clock::now() >= until) return;
        relax();
    }
}

// One blocking call and its answer, handed from the GUI thread to the worker.
// Both threads let go of it when they are done with it, and whichever lets go
// second frees it: a call that outlives its wait still writes into live memory.
struct Job {
    explicit Job(wsock32::BlockingCall c) : call(std::move(c)) {}
    ~Job() {
        if (ownedWake >= 0) ::close(ownedWake);
    }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    static constexpr int NoWake = -1, Woken = -2;

    wsock32::BlockingCall call;
    wsock32::Answer answer; // the worker's until `done` is set
    std::atomic<bool> done{false};
    // A file descriptor the GUI thread waits on, made only when the answer is
    // slow; the worker makes it readable once `done` is set.
    std::atomic<int> wake{NoWake};
    int ownedWake = -1;          // the GUI thread's, closed with the job
    std::atomic<int> holders{2}; // the GUI thread and the worker

    bool answered() const { return done.load(std::memory_order_acquire); }

    // Worker thread.
    void run() {
        answer = call();
        done.store(true, std::memory_order_release);
        done.notify_all();
        const int fd = wake.exchange(Woken);
        if (fd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(fd, &one, sizeof one);
        }
        release();
    }

    // GUI thread: gives the job a descriptor to wake; false when already answered.
    bool wakeThrough(int fd) {
        ownedWake = fd;
        int expected = NoWake;
        return wake.compare_exchange_strong(expected, fd);
    }

    // Either thread, once done with the job.
    void release() {
        if (holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
};

// The one worker thread, started with the first lookup and kept for the life
// of the process. It runs one job at a time; a job whose wait was given up
// runs to its end first (the program is ending then).
class Worker {
  public:
    static Worker& get() {
        static Worker* const worker = new Worker; // never freed: its thread may still run at exit
        return *worker;
    }
    bool running() const { return running_; }
    void post(Job* job) {
        // A job still here was never taken, and its wait was given up.
        delete next_.exchange(job, std::memory_order_acq_rel);
        posted_.fetch_add(1, std::memory_order_release);
        posted_.notify_one();
    }

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
        unsigned seen = 0;
        for (;;) {
            spinFor(StayAwake, [&] { return posted_.load(std::memory_order_acquire) != seen; });
            posted_.wait(seen, std::memory_order_acquire);
            seen = posted_.load(std::memory_order_acquire);
            if (Job* job = next_.exchange(nullptr, std::memory_order_acq_rel)) job->run();
        }
    }

    bool running_ = false;
    std::atomic<Job*> next_{nullptr};
    std::atomic<unsigned> posted_{0};
};

bool isDrag(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::DragLeave ||
           type == QEvent::Drop;
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
        return true;
    default:
        return isDrag(type);
    }
}

// Holds back user input for as long as it lives, then hands it on through the
// event queue: after whatever the lookup does next, in the order it came.
class InputHold final : public QObject {
  public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override {
        QCoreApplication::instance()->removeEventFilter(this);
        for (Held& h : held_)
            if (h.receiver) QCoreApplication::postEvent(h.receiver, h.event.release());
    }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!isUserInput(event->type())) return false;
        // A drop cannot wait: the dragging program wants its answer now.
        if (!isDrag(event->type()))
            held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
        return true;
    }

  private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> held_;
};

// Waits for a job that did not answer at once: plainly for a moment, then in
// an event loop that keeps the window alive until the answer comes, or until
// the wait is given up.
void waitForAnswer(Job& job) {
    const int fd = ::eventfd(0, EFD_CLOEXEC);
    if (fd < 0) {
        job.done.wait(false); // no descriptor to be had: block as the call itself would
        return;
    }
    if (!job.wakeThrough(fd)) return; // answered meanwhile
    pollfd plain{fd, POLLIN, 0};
    if (::poll(&plain, 1, PlainWaitMs) > 0) return;
    QEventLoop loop;
    QSocketNotifier answered(fd, QSocketNotifier::Read);
    QObject::connect(&answered, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    InputHold hold;
    current = &loop;
    if (!job.answered()) loop.exec();
    current = nullptr;
}

wsock32::Answer waitOffThread(wsock32::BlockingCall call) {
    // One blocking call at a time, as with the socket library itself.
    if (current) return {std::nullopt, wsock32::WsaInProgress};
    Worker& worker = Worker::get();
    if (!worker.running()) return call();
    auto* job = new Job(std::move(call));
    worker.post(job);

    spinFor(QuickAnswer, [&] { return job->answered(); });
    if (!job->answered()) waitForAnswer(*job);
    // Still no answer: the wait was given up (the window closed, or the
    // application is quitting).
    wsock32::Answer answer{std::nullopt, wsock32::WsaInterrupted};
    if (job->answered())
        answer = std::move(job->answer);
    else
        gaveUp = true;
    job->release();
    return answer;
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
