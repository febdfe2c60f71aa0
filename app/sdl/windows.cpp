// The port's windows: window classes, creating, showing and focusing windows.
#include "app/sdl/windows.h"

#include "app/sdl/display_mode.h"
#include "app/sdl/video_start.h"
#include "app/sdl/x_errors.h"
#include "app/window_classes.h"

#include <SDL_syswm.h>

#include <cstdio>

namespace sdlport {

std::vector<PlatWindow*> windows;
PlatWindow* keyboardFocus = nullptr;

// Destroys the windows at exit, which gives the desktop its mode back if the
// program ends without restoring it. SDL itself stays loaded: SDL_Quit would
// unload the GL driver before the leak checker of a sanitizer build runs, and
// the driver's own allocations would then show up as leaks of unknown origin.
void destroyWindowsAtExit() {
    for (PlatWindow* window : windows) {
        SDL_DestroyWindow(window->sdl);
        delete window;
    }
    windows.clear();
}

PlatWindow* knownWindow(const void* handle) {
    for (PlatWindow* window : windows)
        if (window == handle) return window;
    return nullptr;
}

PlatWindow* windowFromId(Uint32 id) {
    SDL_Window* sdl = SDL_GetWindowFromID(id);
    for (PlatWindow* window : windows)
        if (window->sdl == sdl) return window;
    return nullptr;
}

PlatWindow* firstShownWindow() {
    for (PlatWindow* window : windows)
        if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) return window;
    return nullptr;
}

intptr_t packSize(int width, int height) {
    return static_cast<intptr_t>((static_cast<uint32_t>(height & 0xFFFF) << 16) |
                                 static_cast<uint32_t>(width & 0xFFFF));
}

intptr_t drawableSize(PlatWindow* window) {
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window->sdl, &width, &height);
    return packSize(width, height);
}

unsigned long xWindowOf(SDL_Window* sdl) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

}  // namespace sdlport

using namespace sdlport;

bool platRegisterWindowClass(const WindowClassDesc* desc) { return classRegister(desc); }

bool platUnregisterWindowClass(const char* className, InstanceHandle instance) {
    return classUnregister(className, instance);
}

bool platAdjustWindowRect(ClientRect* rect, uint32_t) { return rect != nullptr; }

WindowHandle platCreateWindow(const char* className, const char* title, uint32_t style, int x,
                              int y, int outerWidth, int outerHeight, InstanceHandle instance) {
    const WindowProcedure procedure = classProcedure(className, instance);
    if (!procedure) return nullptr;
    if (!ensureVideo()) {
        std::fprintf(stderr, "merrowind: cannot open a window: %s\n", SDL_GetError());
        return nullptr;
    }

    // SDL picks the GLX visual when it creates the window.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);

    const bool popup = (style & STYLE_POPUP) != 0;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI |
                   (popup ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE);
    const int xErrorsBefore = xErrors;
    SDL_Window* sdl = SDL_CreateWindow(title ? title : "", x, y, outerWidth, outerHeight, flags);
    if (sdl && xErrors != xErrorsBefore) {
        // GLX refused SDL's probe: the driver cannot make a context here.
        SDL_DestroyWindow(sdl);
        sdl = nullptr;
        SDL_SetError("the OpenGL driver failed on this display");
    }
    if (!sdl) {
        // No GL visual or driver (an X server without GLX, say): a plain window
        // still lets the program say so, through the pixel-format failure.
        std::fprintf(stderr, "merrowind: no OpenGL window: %s\n", SDL_GetError());
        sdl = SDL_CreateWindow(title ? title : "", x, y, outerWidth, outerHeight,
                               flags & ~static_cast<Uint32>(SDL_WINDOW_OPENGL));
    }
    if (!sdl) {
        std::fprintf(stderr, "merrowind: cannot open a window: %s\n", SDL_GetError());
        return nullptr;
    }
    // The mode switch waits for a full-screen window; it happens when it is shown.
    if (popup && modeWanted) enterFullScreen(sdl);
    PlatWindow* window = new PlatWindow{sdl, procedure};
    windows.push_back(window);
    return window;
}

void platShowWindow(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    if (!window) return;
    SDL_ShowWindow(window->sdl);
    confirmFullScreen(window->sdl);
    window->procedure(window, MSG_SIZE, 0, drawableSize(window));
}

void platUpdateWindow(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    if (window) window->procedure(window, MSG_PAINT, 0, 0);
}

void platSetFocus(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    if (!window) return;
    SDL_RaiseWindow(window->sdl);
    SDL_SetWindowInputFocus(window->sdl);
    keyboardFocus = window;
}

bool platGetClientRect(WindowHandle handle, ClientRect* rect) {
    PlatWindow* window = knownWindow(handle);
    if (!window || !rect) return false;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window->sdl, &width, &height);
    *rect = {0, 0, width, height};
    return true;
}

void platSetWindowTitle(WindowHandle handle, const char* title) {
    PlatWindow* window = knownWindow(handle);
    if (window) SDL_SetWindowTitle(window->sdl, title ? title : "");
}

bool platHasInputFocus(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    return window && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

WindowHandle platFocusWindow() { return keyboardFocus; }
