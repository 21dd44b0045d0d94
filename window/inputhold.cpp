#include "window/inputhold.h"

#include <QCoreApplication>

namespace window {

namespace {

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

// The hold of the command in progress: commands run one at a time. GUI thread only.
InputHold* current = nullptr;

} // namespace

InputHold::InputHold() {
    current = this;
    QCoreApplication::instance()->installEventFilter(this);
}

InputHold::~InputHold() {
    current = nullptr;
    if (!holding_) return;
    QCoreApplication::instance()->removeEventFilter(this);
    for (Held& h : held_)
        if (h.receiver) QCoreApplication::postEvent(h.receiver, h.event.release());
}

void InputHold::dropForMessage() {
    if (!current) return;
    current->holding_ = false;
    current->held_.clear();
    QCoreApplication::instance()->removeEventFilter(current);
}

bool InputHold::eventFilter(QObject* receiver, QEvent* event) {
    if (!holding_ || !isUserInput(event->type())) return false;
    // A drop cannot wait: the dragging program wants its answer now.
    if (!isDrag(event->type()))
        held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

} // namespace window
