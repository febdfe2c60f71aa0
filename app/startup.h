// Start-up, the main loop and shut-down.
#pragma once

#include "app/platform.h"

// The entry point's steps: the full-screen question, the window, set-up and the
// loop. The platform's main calls it with its module; returns the exit code.
int appEntry(InstanceHandle instance);
// Looks up the two multitexture entry points into glActiveTextureARB and
// glMultiTexCoord2fARB, once the context is current; false when it lacks either.
bool lookUpMultitexture();
// Called once, right after the window exists: initialises the scene in its
// fixed order; every step runs even after a failure.
void setupScene(WindowHandle window);
// Dispatches messages and composes a frame whenever the queue is empty (while
// the window is minimised it sleeps until the next message instead), until a
// quit message; then releases everything and returns the quit's exit code.
int runMessageLoop();
// Called once after the loop: releases the contexts, restores the display and
// forgets the window class.
void releaseAll();
