// Windows of a fixed size (the form, its message boxes) offer no maximise.
#pragma once

class QEvent;
class QWidget;

namespace window {

// Called from a fixed-size window's changeEvent: some client-side decorations
// (Qt's own on Wayland) offer maximise whatever the window says, and a
// maximise asked that way is taken back, so the window stays as it is.
void refuseMaximise(QWidget* window, const QEvent* event);

} // namespace window
