// Holding user input back while the window waits for the resolver.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace window {

// Holds back user input (keys, mouse, wheel, touch, tablet, input method,
// context menus) for as long as a command that looks something up runs. A
// drag dropped meanwhile is refused. Everything else (paint, the window
// manager, assistive tools, timers) goes through. GUI thread only.
//
// What was held meets one of two ends:
// - the command ends without a message: the held input is handed on through
//   the event queue, in the order it came, ahead of anything given later;
// - the command shows a message box (showMessageBox calls dropForMessage):
//   the held input is dropped, and the box gets what comes after it. Nothing
//   typed blind takes effect behind a message the user had not yet seen, nor
//   after it.
class InputHold final : public QObject {
  public:
    InputHold();
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    // A message box is about to come up during the command in progress, if any.
    static void dropForMessage();

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> held_;
    bool holding_ = true;
};

} // namespace window
