// The display mode: reading it, asking for 800 x 600, and giving it back.
#include "app/sdl/display_mode.h"

#include "app/platform.h"
#include "app/sdl/video_start.h"
#include "app/sdl/windows.h"
#include "app/sdl/x_server.h"

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
    confirmFullScreen(sdl);
}

// SDL 3 on X11 asks the window manager for full screen and takes the window's
// state for its answer; with none running, nobody answers, and five seconds
// after the switch SDL takes the mode back ("Time out elapsed after mode
// switch ... reverting"). The port answers in its place, as SDL 2 took its own
// request for done; the popup already covers the switched screen.
void confirmFullScreen(SDL_Window* sdl) {
    const Uint32 flags = SDL_GetWindowFlags(sdl);
    const bool wanted = modeWanted && (flags & SDL_WINDOW_BORDERLESS);
    if ((flags & SDL_WINDOW_HIDDEN) || wanted == ((flags & SDL_WINDOW_FULLSCREEN) != 0)) return;
    const unsigned long window = modesEmulated() ? 0 : xWindowOf(sdl);
    if (window && !xWindowManagerRunning()) markFullScreen(window, wanted);
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
    for (PlatWindow* window : windows) {
        if (!(SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN)) continue;
        SDL_SetWindowFullscreen(window->sdl, 0);
        confirmFullScreen(window->sdl);
    }
}
