// The program's one window, the display mode and the OpenGL rendering context.
#pragma once

#include "app/platform.h"

extern bool fullScreenMode;  // true until the start-up question says No
extern InstanceHandle appInstance;
extern WindowHandle mainWindow;
extern ClientRect clientRect;
extern DeviceContextHandle deviceContext;
extern RenderContextHandle renderContext;

extern const char* const WINDOW_CLASS_NAME;  // "Quillmoor"

// Registers the class, switches the display in full-screen mode and opens the
// window at (0, 0) with a client area of width x height; null on failure. A
// style of 0 lets the mode choose the window's style.
WindowHandle openMainWindow(const char* title, int width, int height, uint32_t style,
                            bool fullScreen, InstanceHandle instance);
// Called by openMainWindow in full-screen mode, before the window exists: asks
// for 800 x 600 at the current depth; reports its own failures.
void switchDisplayMode();
// Chooses and sets the double-buffered RGBA format with depth on dc.
bool configurePixelFormat(DeviceContextHandle dc);
// Called once by scene set-up: creates the rendering context on mainWindow and
// sets viewport and projection.
void createGlContext(int width, int height);
// Viewport and 45-degree perspective for a client area; height 0 counts as 1.
// Called at set-up and on every MSG_SIZE: a framed window's resize, and the
// full-screen window's size where the display server only emulates the mode
// and gives it the output's own size.
void resizeProjection(int width, int height);
