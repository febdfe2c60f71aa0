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
// True when a window manager runs on the server (one that says so, as EWMH asks).
bool xWindowManagerRunning();
// Marks our WINDOW full screen (ON) or not in its own state, as a window
// manager does when it grants the change.
void markFullScreen(unsigned long window, bool on);
// True where the server offers XInput2 raw motion (2.2 on), which the port
// then reads itself while steering.
bool rawMotionOffered();
// Reads the pointer's raw motion (every master device) while ON, and has the
// server stop making it for us while off: a program that reads nothing (one
// minimised, asleep in SDL) would leave the server keeping every motion made
// elsewhere. WINDOW (ours) is watched for the pointer coming over it. Each
// change forgets every motion so far.
void readRawMotion(bool on, unsigned long window);
// Drops every raw motion the server has made so far, fractions included.
void discardRawMotion();
// Drops the raw motion made before the pointer last came over a watched
// window, and all of it while the pointer is elsewhere: what the hand does
// over the window still counts once the hold begins.
void discardRawMotionElsewhere();
// Adds the raw motion read since the last call, in whole pixels, to *dx and *dy.
void takeRawMotion(int* dx, int* dy);
