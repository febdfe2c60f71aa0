// The port's windows: the list of them, finding one by handle or SDL id, and
// the sizes they report.
#pragma once

#include "app/platform.h"

#include <SDL.h>

#include <vector>

struct PlatWindow {
    SDL_Window* sdl;
    WindowProcedure procedure;
};

namespace sdlport {

extern std::vector<PlatWindow*> windows;

// The window that has the keyboard focus as the program knows it. SetFocus on
// Win32 takes effect at once; an X server reports the change asynchronously,
// so until the next events are read the window asked for counts as focused.
extern PlatWindow* keyboardFocus;

// The window behind a handle, or null when the handle is none of ours.
PlatWindow* knownWindow(const void* handle);
// The window SDL knows by this id, or null.
PlatWindow* windowFromId(Uint32 id);
// The first of our windows that is shown, or null.
PlatWindow* firstShownWindow();
// Width in the low 16 bits, height in the high 16, as MSG_SIZE carries them.
intptr_t packSize(int width, int height);
// The window's drawable size, packed.
intptr_t drawableSize(PlatWindow* window);
// The X window under an SDL window; 0 on any other video driver.
unsigned long xWindowOf(SDL_Window* sdl);
// Registered with atexit when video starts.
void destroyWindowsAtExit();

}  // namespace sdlport
