// Holding user input back while the window waits for the resolver.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace window {

// Holds back the user input that acts (keys, clicks, wheel, touches, tablet
// presses, input method, context menus) for as long as a command that looks
// something up runs. Movement of the pointer, a pen or a touch point is
// consumed, not kept: replayed later it would say nothing the user meant. A
// drag dropped meanwhile is refused. Everything else (paint, the window
// manager, assistive tools, timers) goes through. GUI thread only.
//
// What was held meets one of three ends:
// - the command ends without a message: the held input is handed on through
//   the event queue, in the order it came, ahead of anything given later;
// - the command shows a message box (showMessageBox calls dropForMessage):
//   the held input is dropped, and the box gets what comes after it. Nothing
//   typed blind takes effect behind a message the user had not yet seen, nor
//   after it;
// - the command's wait is given up (giveUp: its window closed, or the
//   application quits): the held input is dropped, and the rest of that
//   command shows no message. The next command starts afresh.
//
// Holds nest: each belongs to its command, and the outer one is current again
// once the inner one ends.
class InputHold final : public QObject {
  public:
    InputHold();
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    // A message box is about to come up during the command in progress, if any.
    static void dropForMessage();
    // The command in progress, if any, was given up while it waited.
    static void giveUp();
    // Whether the command in progress was given up: its messages go unsaid.
    static bool givenUp();

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    void drop();

    InputHold* outer_;
    std::vector<Held> held_;
    bool holding_ = true;
    bool givenUp_ = false;
};

} // namespace window
