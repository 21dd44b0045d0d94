#include "window/inputhold.h"

#include <QCoreApplication>

namespace window {

namespace {

bool isDrag(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::DragLeave ||
           type == QEvent::Drop;
}

// Movement says nothing the user meant to happen later: it is not kept.
bool isMotion(QEvent::Type type) {
    return type == QEvent::MouseMove || type == QEvent::TabletMove || type == QEvent::TouchUpdate;
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
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
        return true;
    default:
        return isDrag(type) || isMotion(type);
    }
}

// The hold of the command in progress, the innermost one. GUI thread only.
InputHold* current = nullptr;

} // namespace

InputHold::InputHold() : outer_(current) {
    current = this;
    QCoreApplication::instance()->installEventFilter(this);
}

InputHold::~InputHold() {
    current = outer_;
    if (!holding_) return;
    QCoreApplication::instance()->removeEventFilter(this);
    for (Held& h : held_)
        if (h.receiver) QCoreApplication::postEvent(h.receiver, h.event.release());
}

void InputHold::drop() {
    if (!holding_) return;
    holding_ = false;
    held_.clear();
    QCoreApplication::instance()->removeEventFilter(this);
}

void InputHold::dropForMessage() {
    if (current) current->drop();
}

void InputHold::giveUp() {
    if (!current) return;
    current->givenUp_ = true;
    current->drop();
}

bool InputHold::givenUp() {
    return current && current->givenUp_;
}

bool InputHold::eventFilter(QObject* receiver, QEvent* event) {
    if (!holding_ || !isUserInput(event->type())) return false;
    // A drop cannot wait: the dragging program wants its answer now.
    if (!isDrag(event->type()) && !isMotion(event->type()))
        held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

} // namespace window
