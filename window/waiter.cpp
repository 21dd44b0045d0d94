#include "window/waiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace window {

namespace {

// Most answers (the hosts file, a cached name) come within microseconds: they
// are waited for plainly, this long at most, before an event loop is set up.
constexpr int QuickAnswerMs = 20;

// The wait in progress and whether one was given up; GUI thread only.
QEventLoop* current = nullptr;
bool gaveUp = false;

// One blocking call and its answer, shared by the GUI thread and the worker:
// whichever lets go last frees it, so a worker whose wait was given up still
// writes into live memory.
struct Job {
    explicit Job(wsock32::BlockingCall c) : call(std::move(c)) {}
    ~Job() {
        if (wake >= 0) ::close(wake);
    }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    wsock32::BlockingCall call;
    wsock32::Answer answer; // the worker's until `done` is set
    std::atomic<bool> done{false};
    const int wake = ::eventfd(0, EFD_CLOEXEC); // readable once `done` is set

    void run() {
        answer = call();
        call = nullptr;
        done.store(true, std::memory_order_release);
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake, &one, sizeof one);
    }
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

wsock32::Answer waitOffThread(wsock32::BlockingCall call) {
    // One blocking call at a time, as with the socket library itself.
    if (current) return {std::nullopt, wsock32::WsaInProgress};
    auto job = std::make_shared<Job>(std::move(call));
    if (job->wake < 0) return job->call();
    try {
        std::thread([job] { job->run(); }).detach();
    } catch (const std::system_error&) {
        return job->call(); // no thread to be had: block as the call itself would
    }

    pollfd quick{job->wake, POLLIN, 0};
    if (::poll(&quick, 1, QuickAnswerMs) <= 0) {
        QEventLoop loop;
        QSocketNotifier answered(job->wake, QSocketNotifier::Read);
        QObject::connect(&answered, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        InputHold hold;
        current = &loop;
        if (!job->done.load(std::memory_order_acquire)) loop.exec();
        current = nullptr;
    }
    // The loop also ends when the application quits.
    if (!job->done.load(std::memory_order_acquire)) {
        gaveUp = true;
        return {std::nullopt, wsock32::WsaInterrupted};
    }
    return std::move(job->answer);
}

} // namespace

LookupWaiter::LookupWaiter() : previous_(wsock32::setWaiter(waitOffThread)) {}

LookupWaiter::~LookupWaiter() {
    wsock32::setWaiter(std::move(previous_));
}

bool LookupWaiter::waiting() {
    return current != nullptr;
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
