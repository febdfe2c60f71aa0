// The port's own connection to the X server that DISPLAY names: what kind of
// server it is, and whether SDL's message box can draw there.
#pragma once

// True when an X server answers on DISPLAY (the connection stays open).
bool xServerReachable();
// True when that server is Xwayland (app/xwayland_check.h); asked once.
bool xServerIsXwayland();
// True when the server offers a core font of the kind SDL's own box draws with.
bool xServerHasBoxFonts();
