// The display mode: the one asked for, and full screen in it.
#pragma once

#include <SDL.h>

namespace sdlport {

extern bool modeWanted;  // a mode accepted by platChangeDisplayMode

// Makes a popup full screen in the mode asked for.
void enterFullScreen(SDL_Window* sdl);
// Tells SDL a shown window is full screen, or no longer, where no window
// manager would.
void confirmFullScreen(SDL_Window* sdl);

}  // namespace sdlport
