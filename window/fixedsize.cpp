#include "window/fixedsize.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace window {

void refuseMaximise(QWidget* widget, const QEvent* event) {
    if (event->type() != QEvent::WindowStateChange ||
        !(widget->windowState() & Qt::WindowMaximized))
        return;
    widget->setWindowState(widget->windowState() & ~Qt::WindowMaximized);
    // On Wayland the compositor maximises first and tells the window after,
    // and Qt only asks it to take that back once the window has taken its
    // word (from Qt 6.7 on, also its size): ask again once that is done.
    if (QWindow* window = widget->windowHandle())
        QMetaObject::invokeMethod(
            window,
            [window] { window->setWindowStates(window->windowStates() & ~Qt::WindowMaximized); },
            Qt::QueuedConnection);
}

} // namespace window
