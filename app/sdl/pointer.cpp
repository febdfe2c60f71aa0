// Holding the pointer for steering: warp, capture or follow (see the notes at
// the top of app/sdl/platform_sdl.cpp).
#include "app/sdl/pointer.h"

#include "app/platform.h"
#include "app/sdl/video_start.h"
#include "app/sdl/windows.h"
#include "app/sdl/x_server.h"

#include <cstdio>
#include <cstring>

namespace {

enum class PointerHold { undecided, warp, capture, follow };
PointerHold pointerHold = PointerHold::undecided;
bool cursorSetByProgram = false;  // set once: the program steers with the mouse
bool rawMotionRead = false;       // capture counts the X server's raw motion, not SDL's
int virtualX = 0, virtualY = 0;

}  // namespace

namespace sdlport {

// Warp where the server moves the cursor a program puts somewhere; capture
// where it does not (Wayland refuses, Xwayland moves only its own pointer).
PointerHold choosePointerHold() {
    return modesEmulated() ? PointerHold::capture : PointerHold::warp;
}

// The hold this server needs, decided on first use. Capture on an X server
// reads the raw motion itself (app/sdl/x_server.h).
PointerHold currentHold() {
    if (pointerHold != PointerHold::undecided) return pointerHold;
    pointerHold = choosePointerHold();
    const char* driver = SDL_GetCurrentVideoDriver();
    if (pointerHold == PointerHold::capture && driver && std::strcmp(driver, "x11") == 0)
        rawMotionRead = rawMotionOffered();
    return pointerHold;
}

// Forgets SDL's motion so far, and the raw motion made so far: all of it, or
// (OVER_KEPT) what the hand has made since the pointer came over the window.
void forgetMotion(bool overKept) {
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_MOUSEMOTION);
    if (rawMotionRead && overKept) discardRawMotionElsewhere();
    if (rawMotionRead && !overKept) discardRawMotion();
}

// Forgets every motion made so far: what the hand did before the hold began,
// while a box was up or while the focus was elsewhere steers nothing. KWin's
// Xwayland hands over relative motion made before the grab, which SDL then
// counts as the first motion of the hold.
void forgetMotionSoFar() { forgetMotion(false); }

// SDL refused relative mode (a compositor without the relative-pointer or
// pointer-constraint protocols): said once, and from then on the view follows
// the cursor's own motion, as far as the server lets the cursor go.
void followInstead() {
    if (rawMotionRead) readRawMotion(false, 0);
    rawMotionRead = false;
    std::fprintf(stderr,
                 "merrowind: the pointer cannot be captured here (%s); steering follows the "
                 "cursor only as far as it can move\n",
                 SDL_GetError());
    pointerHold = PointerHold::follow;
}

// True when one of our windows has the keyboard focus, and stores it.
bool ourFocus(SDL_Window** focus) {
    *focus = SDL_GetKeyboardFocus();
    for (PlatWindow* window : windows)
        if (*focus && window->sdl == *focus) return true;
    return false;
}

// Captures the pointer while the program steers, one of its windows has the
// keyboard focus and the pointer has come over that window; gives it back
// when the focus goes or the window is minimised. The X server's raw motion
// is read only meanwhile.
void holdPointer() {
    if (pointerHold != PointerHold::capture) return;
    SDL_Window* focus = nullptr;
    const bool ours = ourFocus(&focus);
    const bool steering =
        cursorSetByProgram && ours && !(SDL_GetWindowFlags(focus) & SDL_WINDOW_MINIMIZED);
    if (rawMotionRead) readRawMotion(steering, xWindowOf(focus));
    const bool held = SDL_GetRelativeMouseMode() == SDL_TRUE;
    const bool over = focus && SDL_GetMouseFocus() == focus;
    const bool wanted = steering && (held || over);
    if (wanted == held) return;
    if (!wanted) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
    } else if (SDL_SetRelativeMouseMode(SDL_TRUE) != 0) {
        followInstead();
    } else {
        // The raw motion made over the window before SDL said the pointer was
        // there (in the same frame, as a quick hand makes it) is the hold's.
        forgetMotion(true);
    }
}

// Adds one SDL motion to the virtual position where it steers: in capture
// mode while held (unless the raw motion is read instead), in follow mode
// while the pointer is over our focused window.
void countMotion(const SDL_MouseMotionEvent& motion) {
    SDL_Window* focus = nullptr;
    bool counts = false;
    if (pointerHold == PointerHold::capture)
        counts = !rawMotionRead && SDL_GetRelativeMouseMode();
    else if (pointerHold == PointerHold::follow)
        counts = cursorSetByProgram && ourFocus(&focus) && SDL_GetMouseFocus() == focus;
    if (!counts) return;
    virtualX += motion.xrel;
    virtualY += motion.yrel;
}

// Takes the raw motion read since the last pump; it steers only while held,
// and what the hand makes over the window is kept until the hold begins.
void countRawMotion() {
    if (!rawMotionRead) return;
    if (!SDL_GetRelativeMouseMode()) {
        discardRawMotionElsewhere();
        return;
    }
    int dx = 0, dy = 0;
    takeRawMotion(&dx, &dy);
    virtualX += dx;
    virtualY += dy;
}

}  // namespace sdlport

using namespace sdlport;

bool platGetCursorPos(int* x, int* y) {
    if (!x || !y || !ensureVideo()) return false;
    if (currentHold() != PointerHold::warp) {
        *x = virtualX;
        *y = virtualY;
    } else {
        SDL_GetGlobalMouseState(x, y);
    }
    return true;
}

bool platSetCursorPos(int x, int y) {
    if (!ensureVideo()) return false;
    if (currentHold() == PointerHold::warp && SDL_WarpMouseGlobal(x, y) != 0)
        pointerHold = PointerHold::capture;
    virtualX = x;
    virtualY = y;
    cursorSetByProgram = true;
    holdPointer();
    // Following, the cursor was neither put there nor held.
    return pointerHold != PointerHold::follow;
}

void platShowCursor(bool show) {
    if (ensureVideo()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
