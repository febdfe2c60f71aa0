// The port's own connection to the X server that DISPLAY names: what kind of
// server it is, whether SDL's message box can draw there, and the mouse's raw
// motion read without SDL in between.
#pragma once

// True when an X server answers on DISPLAY (the connection stays open).
bool xServerReachable();
// True when that server is Xwayland (app/xwayland_check.h); asked once.
bool xServerIsXwayland();
// True when the server offers a core font of the kind SDL's own box draws with.
bool xServerHasBoxFonts();
// Starts reading the pointer's raw motion (XInput2, every master device);
// false where the server offers no XInput2.
bool startRawMotion();
// Drops every raw motion the server has made so far, fractions included.
void discardRawMotion();
// Adds the raw motion read since the last call, in whole pixels, to *dx and *dy.
void takeRawMotion(int* dx, int* dy);
