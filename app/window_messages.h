// The window procedure and the render settings the user toggles.
#pragma once

#include "app/platform.h"

extern bool detailOn;        // left button: detail texture on the terrain
extern int detailRepeat;     // Space: 16, 32, 64, 1, 2, 4, 8, 16, ...
extern bool filledPolygons;  // right button: filled or outlined polygons
// True from a MSG_SIZE that says minimised until the next one: the main loop
// then waits for messages instead of drawing frames nobody can see.
extern bool windowMinimised;

// The window procedure named by the window class, called for every message of
// the window, dispatched or sent; every message, handled or not, goes on to the
// default processing.
intptr_t handleWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);
