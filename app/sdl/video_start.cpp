// Starting SDL's video: no invisible drivers, and the reason when there is no
// display.
#include "app/sdl/video_start.h"

#include "app/sdl/windows.h"
#include "app/sdl/x_errors.h"
#include "app/sdl/x_server.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace sdlport {

// True when the environment variable is set and not empty.
bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

namespace {

// Drivers that open "windows" nobody can see. SDL falls back to offscreen by
// itself when no display answers; a program that runs there runs unseen.
bool isInvisibleDriver(const char* driver) {
    for (const char* name : {"offscreen", "dummy", "evdev"})
        if (driver && std::strcmp(driver, name) == 0) return true;
    return false;
}

// Why video could not start, in words naming what the user can set; kept for
// every later call, which SDL's error would not be.
std::string videoFailure;

// Stores the reason video could not start and sets SDL's error to it.
void failVideo(const std::string& reason) {
    videoFailure = reason;
    SDL_SetError("%s", reason.c_str());
}

// The reason when no display server answered.
std::string noDisplayReason() {
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))
        return "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return std::string("no display could be opened (DISPLAY=\"") + (x11 ? x11 : "") +
           "\", WAYLAND_DISPLAY=\"" + (wayland ? wayland : "") + "\")";
}

}  // namespace

// Starts SDL's video subsystem on first use; false when there is no display,
// with the reason in SDL_GetError. Never settles for an invisible driver.
bool ensureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // Asked once: a display that was not there a moment ago will not be now.
    if (!videoFailure.empty()) {
        SDL_SetError("%s", videoFailure.c_str());
        return false;
    }
    // Without either variable, and no driver asked for, SDL would probe
    // Wayland (libwayland then prints its own complaint about XDG_RUNTIME_DIR
    // before ours) and settle for an invisible driver anyway.
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("SDL_VIDEODRIVER")) {
        failVideo(noDisplayReason());
        return false;
    }
    // A click that focuses the window still counts, as on Win32.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A switched display stays switched when another window takes the focus.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Closing the window is a message to the program, not a second quit event.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    static bool exitHook = false;
    if (!exitHook) {
        exitHook = true;
        std::atexit(destroyWindowsAtExit);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        failVideo(noDisplayReason());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (isInvisibleDriver(driver)) {
        // Asked for by name, the driver is refused as such; chosen by SDL, it
        // is what was left when no display answered.
        const std::string name = driver;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (isSet("SDL_VIDEODRIVER"))
            failVideo("the video driver \"" + name +
                      "\" (SDL_VIDEODRIVER) shows nothing anyone can see, so it is refused");
        else
            failVideo(noDisplayReason());
        return false;
    }
    handleXErrors();
    // sdl2-compat has SDL 3 wait for the window manager's answer to each
    // change of a window's state; where none runs, nobody answers, and
    // showing the full-screen popup stalled for the whole five seconds SDL
    // gives a mode switch. SDL 2 did not wait.
    if (driver && std::strcmp(driver, "x11") == 0 && !xServerIsXwayland() &&
        !xWindowManagerRunning())
        SDL_SetHint("SDL_VIDEO_SYNC_WINDOW_OPERATIONS", "0");
    return true;
}

// True on a display server that only pretends to switch modes: the
// compositor of a Wayland session, natively or through Xwayland.
bool modesEmulated() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "wayland") == 0) return true;
    return driver && std::strcmp(driver, "x11") == 0 && xServerIsXwayland();
}

}  // namespace sdlport
