// The display mode: reading it, asking for 800 x 600, and giving it back.
#include "app/sdl/display_mode.h"

#include "app/platform.h"
#include "app/sdl/video_start.h"
#include "app/sdl/windows.h"

namespace sdlport {

bool modeWanted = false;

namespace {
SDL_DisplayMode wantedMode;
}  // namespace

// Makes a popup full screen in the mode asked for. Where the switch is only
// emulated, the compositor scales an 800 x 600 picture to the output and
// stretches it (mutter; KWin natively): the window takes the output's own
// size instead, and the program draws at that size and shape (MSG_SIZE).
void enterFullScreen(SDL_Window* sdl) {
    if (modesEmulated()) {
        SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowDisplayMode(sdl, &wantedMode);
    SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN);
}

}  // namespace sdlport

using namespace sdlport;

bool platReadDisplayMode(DisplayMode* mode) {
    if (!mode || !ensureVideo()) return false;
    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(0, &current) != 0 && SDL_GetDesktopDisplayMode(0, &current) != 0)
        return false;
    *mode = {current.w, current.h, static_cast<int>(SDL_BITSPERPIXEL(current.format)),
             current.refresh_rate};
    return true;
}

bool platChangeDisplayMode(const DisplayMode* mode) {
    if (!mode || !ensureVideo()) return false;
    const int count = SDL_GetNumDisplayModes(0);
    bool found = false;
    SDL_DisplayMode best;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode candidate;
        if (SDL_GetDisplayMode(0, i, &candidate) != 0) continue;
        if (candidate.w != mode->width || candidate.h != mode->height ||
            static_cast<int>(SDL_BITSPERPIXEL(candidate.format)) != mode->bitsPerPixel)
            continue;
        // The list runs from the highest refresh rate down; keep the asked one if listed.
        if (!found || candidate.refresh_rate == mode->refreshRate) best = candidate;
        found = true;
    }
    if (!found) return false;
    wantedMode = best;
    modeWanted = true;
    for (PlatWindow* window : windows) {
        if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_BORDERLESS) enterFullScreen(window->sdl);
    }
    return true;
}

void platRestoreDisplayMode() {
    modeWanted = false;
    for (PlatWindow* window : windows)
        if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN)
            SDL_SetWindowFullscreen(window->sdl, 0);
}
