// How the window reads to assistive tools, screen readers first.
#pragma once

namespace window {

// Installs, once, the window's own accessible interfaces:
// - the form: a frame named by its title; the separator line, which says
//   nothing, is left out of its children;
// - the coded messages: alerts named by their code, described by their text;
// - its two fields (txtHost and txtIP): Qt's line edit as a
//   screen reader needs it, their text one run of attributes from start to
//   end, as GTK's entries give it. (Qt 6.4 answers an empty run at every
//   offset, and Orca then drops the last character of every line it reads.)
// Call it before the first widget is made.
void installAccessibleInterfaces();

} // namespace window
