// Message boxes shown by a second copy of the program: SDL picks its box by
// the video driver it runs, so a box SDL's Wayland driver cannot show is shown
// through Xwayland by a copy whose SDL runs none yet.
#pragma once

namespace sdlport {

// The first argument that makes the program only show a box through X11:
// "merrowind X11_BOX_ARGUMENT caption text style".
extern const char* const X11_BOX_ARGUMENT;
// That copy's work: shows the box and exits with the button pressed, 0 for a
// box closed without one, or X11_BOX_UNSHOWN.
int x11BoxMain(const char* caption, const char* text, const char* style);
const int X11_BOX_UNSHOWN = 255;

}  // namespace sdlport
