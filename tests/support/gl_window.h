// A real window with a current OpenGL context for rendering tests, opened once
// per test program through the program's own platform layer and window code.
#pragma once

#include <cstdint>
#include <vector>

// Opens (once) a framed width x height window with the program's pixel format,
// makes its context current, sets the program's viewport and projection, and
// looks up the multitexture entry points into glActiveTextureARB and
// glMultiTexCoord2fARB. Later calls only resize to the given size. False when
// no window or context could be had.
bool openTestGlWindow(int width = 800, int height = 600);

// Reads back the back buffer (where the frame is drawn, before any swap):
// width*height*3 bytes, RGB, bottom row first, as glReadPixels gives it.
std::vector<uint8_t> readBackBuffer(int x, int y, int width, int height);

// The RGB of one back-buffer pixel, window coordinates with (0, 0) bottom-left.
struct Rgb {
    uint8_t r, g, b;
};
Rgb pixelAt(int x, int y);
