// X protocol errors, reported and survived instead of ending the process.
#include "app/sdl/x_errors.h"

#include <SDL.h>
#include <X11/Xlib.h>  // the error handler's types only; the library is SDL's
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace sdlport {

// Xlib ends the process on any protocol error that no handler takes. SDL
// takes them around its own context creation, but not around the context it
// probes with when it first loads GL for a window: on a server whose GLX has
// no client driver to match, that probe's error would end the program with
// exit code 1 and Xlib's words. Counted and reported here, and survived.
int xErrors = 0;

namespace {

int reportXError(Display*, XErrorEvent* error) {
    ++xErrors;
    std::fprintf(stderr, "merrowind: X error %d on request %d.%d\n", error->error_code,
                 error->request_code, error->minor_code);
    return 0;
}

}  // namespace

// Installs reportXError where the x11 driver runs.
void handleXErrors() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    auto setHandler =
        x11 ? reinterpret_cast<XErrorHandler (*)(XErrorHandler)>(dlsym(x11, "XSetErrorHandler"))
            : nullptr;
    if (setHandler) setHandler(reportXError);
    if (x11) dlclose(x11);
}

}  // namespace sdlport
