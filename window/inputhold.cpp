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

} // namespace

InputHold::InputHold() {
    QCoreApplication::instance()->installEventFilter(this);
}

InputHold::~InputHold() {
    QCoreApplication::instance()->removeEventFilter(this);
    for (Held& h : held_)
        if (h.receiver) QCoreApplication::postEvent(h.receiver, h.event.release());
}

bool InputHold::eventFilter(QObject* receiver, QEvent* event) {
    if (!isUserInput(event->type())) return false;
    // A drop cannot wait: the dragging program wants its answer now.
    if (!isDrag(event->type()))
        held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

} // namespace window
