// Holding user input back while the window waits for the resolver.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace window {

// Holds back user input (keys, mouse, wheel, touch, tablet, input method,
// context menus) for as long as it lives, then hands it on through the event
// queue: after whatever the lookup does next, in the order it came. A drag
// dropped meanwhile is refused. Everything else (paint, the window manager,
// assistive tools, timers) goes through. GUI thread only.
class InputHold final : public QObject {
  public:
    InputHold();
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> held_;
};

} // namespace window
