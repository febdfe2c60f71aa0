// Start-up, the main loop and shut-down.
#pragma once

#include "app/platform.h"

// The entry point's steps: the full-screen question, the window, set-up and the
// loop. Returns the process exit code.
int appEntry(InstanceHandle instance);
// Looks up the two multitexture entry points into glActiveTextureARB and
// glMultiTexCoord2fARB; false when the context lacks either.
bool lookUpMultitexture();
// Initialises the scene in its fixed order; every step runs even after a failure.
void setupScene(WindowHandle window);
// Dispatches messages and composes a frame whenever the queue is empty, until a
// quit message; then releases everything and returns the quit's exit code.
int runMessageLoop();
// Releases the contexts, restores the display and forgets the window class.
void releaseAll();
