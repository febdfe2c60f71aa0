// SDL2 port of the platform layer (app/platform.h).
//
// Supports: modal message boxes, one or more top-level windows with an OpenGL
// context, an exact display mode change for a full-screen popup, a Win32-like
// message queue fed from SDL events, key and cursor polling, the millisecond
// clock. Tested on X11 without a window manager (Xvfb, and Xorg with the dummy
// driver for real mode switches), under openbox, and on sway 1.7 both natively
// (SDL_VIDEODRIVER=wayland) and through Xwayland.
//
// Sections, in file order (each opens with a "// ---- name ----" line):
//   state             windows, classes, the queue, focus, the pointer's hold
//   video start-up    ensureVideo: no invisible drivers, X errors survived
//   keys              virtual-key codes to and from SDL keys
//   pointer           warp or capture for steering
//   events            SDL events into the Win32-like message queue
//   GL entry points   the extension each entry point needs
//   then the header's functions in its order: message boxes, window, display
//   mode, message queue, input polling, rendering context, clock and module.
//
// Quirks and decisions, in the order of the header:
//  - SDL's video subsystem is started by whichever call needs it first; the
//    full-screen question is shown before any window exists. The windows are
//    destroyed at exit, which gives the desktop its mode back on any way out.
//  - Without a display SDL quietly settles for its offscreen driver, where a
//    program runs unseen; the port refuses it (and dummy), so every box goes
//    to standard error and window creation fails: exit code 1. With neither
//    DISPLAY nor WAYLAND_DISPLAY SDL is not even started, so no library's
//    complaint comes before the program's own words.
//  - Message boxes: SDL has no question icon, so a question box carries the
//    information icon. Return presses Yes (or OK), Escape presses No (or OK).
//    A Yes/No box closed through its window frame counts as No: Win32 offers no
//    close button on such a box, and Escape is the nearest thing.
//    A box SDL cannot show (its X11 box needs the X core fonts; on Wayland it
//    needs zenity) is written to standard error and answers 0, with the cause
//    found by the port: SDL's own error names whatever it tried last.
//  - When a box closes, the keyboard focus goes back to its owner, or to the
//    first shown window, as Win32 hands the activation back.
//  - Test hook: MERROWIND_BOX_LOG (app/box_report.h). SDL's X11 box draws its
//    text itself, so nothing outside can read it.
//  - Window classes are a table of names; creating a window from an unknown
//    class fails, unregistering only forgets the entry.
//  - platAdjustWindowRect is the identity: SDL_CreateWindow takes the client
//    size and the window manager adds its frame outside it.
//  - Windows are created hidden. platShowWindow shows the window and calls the
//    procedure with MSG_SIZE at once (ShowWindow sends WM_SIZE the same way);
//    platUpdateWindow calls it with MSG_PAINT.
//  - Sizes and client coordinates are drawable pixels (SDL_GL_GetDrawableSize),
//    which on high-DPI screens are more than window units. Where the mode is
//    only emulated (Wayland, Xwayland), the full-screen window takes the
//    output's own size (SDL's desktop full screen) and that size comes after
//    it is shown, as a MSG_SIZE; SDL 2.26 on Wayland reports twice the size at
//    output scale 2 until the window has entered the output.
//  - The display mode: platChangeDisplayMode only accepts a mode that display 0
//    lists exactly (width, height and the current depth) and remembers it. The
//    switch itself happens when a popup window is shown: SDL can only change the
//    mode for a full-screen window. A compositor that only emulates the mode
//    would scale the picture to its output's shape, so there the popup fills
//    the output at the output's size instead (no switch at all). Leaving full
//    screen (platRestoreDisplayMode, hiding or destroying the window) returns
//    the desktop mode.
//  - The default processing of MSG_CLOSE hides the window instead of destroying
//    it: the GL context lives on the window, and shut-down still makes it
//    non-current and deletes it after the loop has ended. Hiding a full-screen
//    window also restores the desktop mode.
//  - SDL turns SIGINT and SIGTERM into SDL_QUIT; that becomes MSG_CLOSE for the
//    first window, so an interrupted program still runs its normal shut-down.
//  - A quit request is returned as MSG_QUIT after the messages that were queued
//    before it, even while newer input keeps arriving (held keys auto-repeat).
//  - Cursor, three ways of holding it for steering, chosen when video starts:
//    * warp (X11): screen pixels from SDL_GetGlobalMouseState, set with
//      SDL_WarpMouseGlobal; the visible cursor is put back every frame.
//    * capture (Wayland, Xwayland, and any server that refuses a warp): a
//      virtual position, the last one set plus the relative motion seen since,
//      so reading and re-centring still agree. From the first platSetCursorPos
//      on (the program steers), SDL's relative mouse mode is on while a window
//      of ours has the keyboard focus: the pointer is locked (under Xwayland
//      grabbed and confined) and hidden, and given back when the focus goes
//      and while a message box is up. Motion counts only while it is held:
//      whatever was made before the hold began (KWin's Xwayland hands over
//      motion made before the grab), while a box was up or while the focus
//      was elsewhere is thrown away when the hold begins. The hold starts
//      once the pointer has come over the focused window: sway 1.7 locks a
//      pointer that is elsewhere with an enter event in output coordinates,
//      corrected by the next motion, and SDL counts the correction as a jump
//      by the window's offset. Steering therefore waits for the mouse to come
//      over the window, where X11 puts the cursor in the middle at once.
//    * follow, where SDL refuses relative mode: said once on standard error;
//      the virtual position moves with the cursor's own motion over our
//      focused window, so the view turns as far as the cursor can go, and
//      platSetCursorPos says it failed. sway 1.7 without `seat * pointer_
//      constraint enable` does not refuse: it never locks, but relative
//      motion still comes while the cursor is over the window, with the same
//      effect (20 x +50 px turned 1.3 rad natively, 1.15 through Xwayland).
//    Measured on sway 1.7 with Xwayland 22.1 (a virtual pointer through the
//    compositor): Wayland refuses the warp, and without a lock the cursor
//    stops at the window's edge. Xwayland takes a warp, but it moves only
//    Xwayland's own pointer while the cursor is visible: the next real motion
//    starts from the compositor's cursor again, so every frame saw the
//    cursor's whole offset from the centre (+200 px of motion turned the view
//    2.4 rad instead of 0.4). Relative mode there reads XInput2 raw motion,
//    which carries the compositor's relative motion. SDL 2.26 cuts each raw
//    delta to whole pixels and drops a raw event whose whole pixels and time
//    repeat the one before; Xwayland stamps motions that it reads together
//    with one millisecond, so a burst of equal motions lost most of its turn
//    (20 of +50 px turned 0.42 rad instead of 2.0 on sway). The port
//    therefore reads the raw motion on a connection of its own
//    (app/sdl/x_server.h) and counts SDL's motion only on Wayland: the same
//    burst then turned 1.99 rad, and 200 of +2 px 1 ms apart 0.79 of 0.8.
//    The alternatives measured worse: SDL's warping relative mode
//    (SDL_HINT_MOUSE_RELATIVE_MODE_WARP) lost over half of a quick burst in a
//    framed window, and hiding the cursor while warping once a frame jumped
//    and stalled. Xwayland is told by what the X server reports: its XWAYLAND
//    extension, or RandR outputs named XWAYLAND0, 1 ... (app/xwayland_check.h;
//    SDL names a display after its monitor's EDID name where it has one).
//  - Frames are paced to the display: swap interval -1 (late swaps tear
//    instead of waiting a whole frame) where offered, else 1. Mesa's software
//    GLX (Xvfb, Xwayland) offers neither and leaves frames unpaced.
//  - A minimised window gets MSG_SIZE with SIZE_KIND_MINIMIZED and 0 x 0; an X
//    window unmapped without a window manager counts as minimised, as SDL
//    reports it. platWaitMessage sleeps in SDL_WaitEvent.
//  - A window SDL cannot give a GL visual (an X server without GLX) or whose
//    GL driver fails (no client driver for the server's GLX) is made without
//    OpenGL, so choosing its pixel format fails and the program says so in its
//    own words. X protocol errors are reported on standard error, not fatal.
//  - GL: the "device context" is the window itself. The pixel format (double
//    buffer, RGB, depth 16) is fixed when the window is created, because SDL
//    needs the attributes before SDL_CreateWindow; choosing it only checks that
//    the window is OpenGL-capable.
//  - platGetProcAddress: GLX hands out a dispatch stub for any name at all, so
//    extension entry points are checked against their extension string first.
#include "app/platform.h"

#include "app/box_report.h"
#include "app/sdl/x_server.h"

#include <SDL.h>
#include <X11/Xlib.h>  // the error handler's types only; the library is SDL's
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

struct PlatWindow {
    SDL_Window* sdl;
    WindowProcedure procedure;
};

// ---- State ----

namespace {

struct WindowClass {
    std::string name;
    InstanceHandle instance;
    WindowProcedure procedure;
};

char moduleTag;  // its address is the module instance handle

std::vector<WindowClass> windowClasses;
std::vector<PlatWindow*> windows;

std::deque<PlatMessage> queue;
bool quitPending = false;
int quitCode = 0;
size_t messagesBeforeQuit = 0;  // queued messages still ahead of the quit request

bool modeWanted = false;  // a mode accepted by platChangeDisplayMode
SDL_DisplayMode wantedMode;

// The window that has the keyboard focus as the program knows it. SetFocus on
// Win32 takes effect at once; an X server reports the change asynchronously,
// so until the next events are read the window asked for counts as focused.
PlatWindow* keyboardFocus = nullptr;

// How the pointer is held for steering (see the notes at the top).
enum class PointerHold { undecided, warp, capture, follow };
PointerHold pointerHold = PointerHold::undecided;
bool cursorSetByProgram = false;  // set once: the program steers with the mouse
bool rawMotionRead = false;       // capture counts the X server's raw motion, not SDL's
int virtualX = 0, virtualY = 0;

// ---- Video start-up ----

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

// Drivers that open "windows" nobody can see. SDL falls back to offscreen by
// itself when no display answers; a program that runs there runs unseen.
bool isInvisibleDriver(const char* driver) {
    for (const char* name : {"offscreen", "dummy", "evdev"})
        if (driver && std::strcmp(driver, name) == 0) return true;
    return false;
}

// True when the environment variable is set and not empty.
bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
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

// Xlib ends the process on any protocol error that no handler takes. SDL
// takes them around its own context creation, but not around the context it
// probes with when it first loads GL for a window: on a server whose GLX has
// no client driver to match, that probe's error would end the program with
// exit code 1 and Xlib's words. Counted and reported here, and survived.
int xErrors = 0;

int reportXError(Display*, XErrorEvent* error) {
    ++xErrors;
    std::fprintf(stderr, "merrowind: X error %d on request %d.%d\n", error->error_code,
                 error->request_code, error->minor_code);
    return 0;
}

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
    return true;
}

// True on a display server that only pretends to switch modes: the
// compositor of a Wayland session, natively or through Xwayland.
bool modesEmulated() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "wayland") == 0) return true;
    return driver && std::strcmp(driver, "x11") == 0 && xServerIsXwayland();
}

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

WindowClass* findClass(const char* name, InstanceHandle instance) {
    if (!name) return nullptr;
    for (WindowClass& entry : windowClasses)
        if (entry.name == name && entry.instance == instance) return &entry;
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

// ---- Keys ----

struct KeyName {
    int virtualKey;
    SDL_Keycode key;
};

// Virtual-key codes besides letters and digits, which are their ASCII codes.
const KeyName namedKeys[] = {
    {0x08, SDLK_BACKSPACE}, {0x09, SDLK_TAB},       {0x0D, SDLK_RETURN},      {0x0D, SDLK_KP_ENTER},
    {0x10, SDLK_LSHIFT},    {0x10, SDLK_RSHIFT},    {0x11, SDLK_LCTRL},       {0x11, SDLK_RCTRL},
    {0x12, SDLK_LALT},      {0x12, SDLK_RALT},      {0x13, SDLK_PAUSE},       {0x14, SDLK_CAPSLOCK},
    {0x1B, SDLK_ESCAPE},    {0x20, SDLK_SPACE},     {0x21, SDLK_PAGEUP},      {0x22, SDLK_PAGEDOWN},
    {0x23, SDLK_END},       {0x24, SDLK_HOME},      {0x25, SDLK_LEFT},        {0x26, SDLK_UP},
    {0x27, SDLK_RIGHT},     {0x28, SDLK_DOWN},      {0x2D, SDLK_INSERT},      {0x2E, SDLK_DELETE},
    {0x60, SDLK_KP_0},      {0x61, SDLK_KP_1},      {0x62, SDLK_KP_2},        {0x63, SDLK_KP_3},
    {0x64, SDLK_KP_4},      {0x65, SDLK_KP_5},      {0x66, SDLK_KP_6},        {0x67, SDLK_KP_7},
    {0x68, SDLK_KP_8},      {0x69, SDLK_KP_9},      {0x6A, SDLK_KP_MULTIPLY}, {0x6B, SDLK_KP_PLUS},
    {0x6D, SDLK_KP_MINUS},  {0x6E, SDLK_KP_PERIOD}, {0x6F, SDLK_KP_DIVIDE},   {0x70, SDLK_F1},
    {0x71, SDLK_F2},        {0x72, SDLK_F3},        {0x73, SDLK_F4},          {0x74, SDLK_F5},
    {0x75, SDLK_F6},        {0x76, SDLK_F7},        {0x77, SDLK_F8},          {0x78, SDLK_F9},
    {0x79, SDLK_F10},       {0x7A, SDLK_F11},       {0x7B, SDLK_F12},
};

// The virtual-key code of an SDL key, or 0 for a key the program has no name for.
int virtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<int>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<int>(key - SDLK_0);
    for (const KeyName& entry : namedKeys)
        if (entry.key == key) return entry.virtualKey;
    return 0;
}

// Whether any key that carries this virtual-key code is down. Win32's key state
// follows the layout, so the key is found through its keycode, not its position.
bool virtualKeyDown(int virtualKey) {
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    auto down = [state](SDL_Keycode key) {
        SDL_Scancode code = SDL_GetScancodeFromKey(key);
        return code != SDL_SCANCODE_UNKNOWN && state[code] != 0;
    };
    if (virtualKey >= 'A' && virtualKey <= 'Z') return down(SDLK_a + (virtualKey - 'A'));
    if (virtualKey >= '0' && virtualKey <= '9') return down(SDLK_0 + (virtualKey - '0'));
    bool any = false;
    for (const KeyName& entry : namedKeys)
        if (entry.virtualKey == virtualKey) any = any || down(entry.key);
    return any;
}

// ---- Pointer ----

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
        rawMotionRead = startRawMotion();
    return pointerHold;
}

// Forgets every motion made so far: what the hand did before the hold began,
// while a box was up or while the focus was elsewhere steers nothing. KWin's
// Xwayland hands over relative motion made before the grab, which SDL then
// counts as the first motion of the hold.
void forgetMotionSoFar() {
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_MOUSEMOTION);
    if (rawMotionRead) discardRawMotion();
}

// SDL refused relative mode (a compositor without the relative-pointer or
// pointer-constraint protocols): said once, and from then on the view follows
// the cursor's own motion, as far as the server lets the cursor go.
void followInstead() {
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
// when the focus goes.
void holdPointer() {
    if (pointerHold != PointerHold::capture) return;
    SDL_Window* focus = nullptr;
    const bool ours = ourFocus(&focus);
    const bool held = SDL_GetRelativeMouseMode() == SDL_TRUE;
    const bool over = focus && SDL_GetMouseFocus() == focus;
    const bool wanted = cursorSetByProgram && ours && (held || over);
    if (wanted == held) return;
    if (!wanted) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
    } else if (SDL_SetRelativeMouseMode(SDL_TRUE) != 0) {
        followInstead();
    } else {
        forgetMotionSoFar();
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

// Takes the raw motion read since the last pump; it steers only while held.
void countRawMotion() {
    if (!rawMotionRead) return;
    int dx = 0, dy = 0;
    takeRawMotion(&dx, &dy);
    if (pointerHold != PointerHold::capture || !SDL_GetRelativeMouseMode()) return;
    virtualX += dx;
    virtualY += dy;
}

// ---- Events ----

void post(PlatWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // Win32 keeps at most one paint pending per window.
    if (message == MSG_PAINT)
        for (const PlatMessage& queued : queue)
            if (queued.window == window && queued.message == MSG_PAINT) return;
    queue.push_back({window, message, wParam, lParam});
}

void translateWindowEvent(const SDL_WindowEvent& event) {
    PlatWindow* window = windowFromId(event.windowID);
    if (!window) return;
    switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: post(window, MSG_SIZE, 0, drawableSize(window)); break;
    case SDL_WINDOWEVENT_MINIMIZED: post(window, MSG_SIZE, SIZE_KIND_MINIMIZED, 0); break;
    case SDL_WINDOWEVENT_RESTORED:
        post(window, MSG_SIZE, 0, drawableSize(window));
        post(window, MSG_PAINT, 0, 0);
        break;
    case SDL_WINDOWEVENT_EXPOSED: post(window, MSG_PAINT, 0, 0); break;
    case SDL_WINDOWEVENT_CLOSE: post(window, MSG_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: keyboardFocus = window; break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        if (keyboardFocus == window) keyboardFocus = nullptr;
        break;
    default: break;
    }
}

void translateButton(const SDL_MouseButtonEvent& event) {
    uint32_t message = 0;
    if (event.button == SDL_BUTTON_LEFT) message = MSG_LBUTTONDOWN;
    if (event.button == SDL_BUTTON_RIGHT) message = MSG_RBUTTONDOWN;
    PlatWindow* window = windowFromId(event.windowID);
    if (!message || !window) return;
    // Event coordinates are window units; client coordinates are pixels.
    int unitsW = 0, unitsH = 0, pixelsW = 0, pixelsH = 0;
    SDL_GetWindowSize(window->sdl, &unitsW, &unitsH);
    SDL_GL_GetDrawableSize(window->sdl, &pixelsW, &pixelsH);
    int x = unitsW > 0 ? event.x * pixelsW / unitsW : event.x;
    int y = unitsH > 0 ? event.y * pixelsH / unitsH : event.y;
    post(window, message, 0, packSize(x, y));
}

// Moves every pending SDL event into the message queue.
void pumpEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            if (!windows.empty()) post(windows.front(), MSG_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT: translateWindowEvent(event.window); break;
        case SDL_KEYDOWN: {
            PlatWindow* window = windowFromId(event.key.windowID);
            int virtualKey = virtualKeyOf(event.key.keysym.sym);
            if (window && virtualKey)
                post(window, MSG_KEYDOWN, static_cast<uintptr_t>(virtualKey), 0);
            break;
        }
        case SDL_MOUSEBUTTONDOWN: translateButton(event.button); break;
        case SDL_MOUSEMOTION: countMotion(event.motion); break;
        default: break;
        }
    }
    holdPointer();
    countRawMotion();
}

PlatWindow* windowOfContext(DeviceContextHandle dc) { return knownWindow(dc); }

// ---- GL entry points ----

// Extension entry points and the extension that must be offered for each.
struct ExtensionEntry {
    const char* prefix;  // the entry point's name up to its suffix
    const char* suffix;
    const char* extension;
};
const ExtensionEntry extensionEntries[] = {
    {"glActiveTexture", "ARB", "GL_ARB_multitexture"},
    {"glClientActiveTexture", "ARB", "GL_ARB_multitexture"},
    {"glMultiTexCoord", "ARB", "GL_ARB_multitexture"},
    {"glLockArrays", "EXT", "GL_EXT_compiled_vertex_array"},
    {"glUnlockArrays", "EXT", "GL_EXT_compiled_vertex_array"},
    {"glBindBuffer", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glBufferData", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glBufferSubData", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glGenBuffers", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glDeleteBuffers", "ARB", "GL_ARB_vertex_buffer_object"},
};

// The extension that must be offered before `name` may be handed out, or null.
const char* owningExtension(const char* name) {
    size_t length = std::strlen(name);
    for (const ExtensionEntry& entry : extensionEntries) {
        size_t prefix = std::strlen(entry.prefix), suffix = std::strlen(entry.suffix);
        if (length < prefix + suffix) continue;
        if (std::strncmp(name, entry.prefix, prefix) != 0) continue;
        if (std::strcmp(name + length - suffix, entry.suffix) != 0) continue;
        return entry.extension;
    }
    return nullptr;
}

// ---- Message boxes ----

// True when an executable of this name is on PATH.
bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string file = folders.substr(start, end - start) + "/" + program;
        if (end > start && access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Why SDL_ShowMessageBox failed, naming the real cause. SDL draws its X11 box
// in a forked child whose error dies with it; what SDL reports is whatever
// was tried last: zenity's exit status, or "No message system available".
std::string unshownBoxReason() {
    const std::string error = SDL_GetError();
    const bool zenityTried = error.find("zenity") != std::string::npos;
    if (isSet("DISPLAY")) {
        if (xServerReachable() && !xServerHasBoxFonts())
            return "the X server has no core fonts to draw it with; the package xfonts-base "
                   "brings them";
        if (zenityTried) return "SDL's X11 box could not be drawn";
        return error;
    }
    if (zenityTried && !onPath("zenity"))
        return "without X11 the box is shown by zenity, which is not installed";
    if (zenityTried) return "without X11 the box is shown by zenity, which failed: " + error;
    return error;
}

}  // namespace

int platMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    logBox(caption, text);
    if (!ensureVideo()) {
        reportUnshownBox(caption, text, style, SDL_GetError());
        return 0;
    }
    const bool yesNo = (style & 0x0F) == BOX_YESNO;
    SDL_MessageBoxButtonData buttons[2];
    int count = 0;
    if (yesNo) {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, BOX_RESULT_YES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, BOX_RESULT_NO, "No"};
        count = 2;
    } else {
        const Uint32 bothKeys =
            SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons[0] = {bothKeys, BOX_RESULT_OK, "OK"};
        count = 1;
    }
    SDL_MessageBoxData data = {};
    data.flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    if (style & BOX_ICONQUESTION) data.flags |= SDL_MESSAGEBOX_INFORMATION;
    PlatWindow* parent = knownWindow(owner);
    data.window = parent ? parent->sdl : nullptr;
    data.title = caption ? caption : "";
    data.message = text ? text : "";
    data.numbuttons = count;
    data.buttons = buttons;
    // The box needs the pointer: under Xwayland the grab would stay on our
    // window and the box could not be clicked. The hold comes back with the
    // next pump, and nothing the hand did meanwhile steers.
    if (SDL_GetRelativeMouseMode()) SDL_SetRelativeMouseMode(SDL_FALSE);
    int pressed = -1;
    int shown = SDL_ShowMessageBox(&data, &pressed);
    if (shown != 0) reportUnshownBox(caption, text, style, unshownBoxReason().c_str());
    forgetMotionSoFar();
    // Win32 gives the activation back to the owner, or to the program's window,
    // when a modal box closes; without a window manager nobody else would.
    PlatWindow* back = parent ? parent : firstShownWindow();
    if (back) {
        SDL_SetWindowInputFocus(back->sdl);
        keyboardFocus = back;
    }
    if (shown != 0) return 0;
    if (pressed < 0) return yesNo ? BOX_RESULT_NO : BOX_RESULT_OK;  // closed, no button
    return pressed;
}

// ---- Window ----

bool platRegisterWindowClass(const WindowClassDesc* desc) {
    if (!desc || !desc->className || !desc->procedure) return false;
    if (findClass(desc->className, desc->instance)) return false;
    windowClasses.push_back({desc->className, desc->instance, desc->procedure});
    return true;
}

bool platUnregisterWindowClass(const char* className, InstanceHandle instance) {
    WindowClass* entry = findClass(className, instance);
    if (!entry) return false;
    windowClasses.erase(windowClasses.begin() + (entry - windowClasses.data()));
    return true;
}

bool platAdjustWindowRect(ClientRect* rect, uint32_t) { return rect != nullptr; }

WindowHandle platCreateWindow(const char* className, const char* title, uint32_t style, int x,
                              int y, int outerWidth, int outerHeight, InstanceHandle instance) {
    WindowClass* windowClass = findClass(className, instance);
    if (!windowClass) return nullptr;
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
    PlatWindow* window = new PlatWindow{sdl, windowClass->procedure};
    windows.push_back(window);
    return window;
}

void platShowWindow(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    if (!window) return;
    SDL_ShowWindow(window->sdl);
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

// ---- Display mode ----

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

// ---- Message queue ----

void platWaitMessage() {
    pumpEvents();
    if (!queue.empty() || quitPending || !SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_WaitEvent(nullptr);
}

bool platPeekMessage(PlatMessage* message) {
    pumpEvents();
    if (quitPending && messagesBeforeQuit == 0) {
        quitPending = false;
        *message = {nullptr, MSG_QUIT, static_cast<uintptr_t>(quitCode), 0};
        return true;
    }
    if (queue.empty()) return false;
    *message = queue.front();
    queue.pop_front();
    if (quitPending) --messagesBeforeQuit;
    return true;
}

void platTranslateMessage(const PlatMessage*) {}

intptr_t platDispatchMessage(const PlatMessage* message) {
    PlatWindow* window = message ? knownWindow(message->window) : nullptr;
    if (!window) return 0;
    return window->procedure(window, message->message, message->wParam, message->lParam);
}

void platPostQuitMessage(int exitCode) {
    if (!quitPending) messagesBeforeQuit = queue.size();
    quitPending = true;
    quitCode = exitCode;
}

intptr_t platDefWindowProc(WindowHandle handle, uint32_t message, uintptr_t, intptr_t) {
    PlatWindow* window = knownWindow(handle);
    if (window && message == MSG_CLOSE) SDL_HideWindow(window->sdl);
    return 0;
}

// SDL keeps no invalid region, so there is nothing to validate.
void platBeginPaint(WindowHandle) {}
void platEndPaint(WindowHandle) {}

// ---- Input polling ----

bool platKeyHeld(int virtualKey) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    return virtualKeyDown(virtualKey);
}

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

// ---- Rendering context ----

DeviceContextHandle platGetDeviceContext(WindowHandle handle) {
    return reinterpret_cast<DeviceContextHandle>(knownWindow(handle));
}

void platReleaseDeviceContext(WindowHandle, DeviceContextHandle) {}

int platChoosePixelFormat(DeviceContextHandle dc, const PixelFormatRequest*) {
    PlatWindow* window = windowOfContext(dc);
    return window && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_OPENGL) ? 1 : 0;
}

bool platSetPixelFormat(DeviceContextHandle dc, int format, const PixelFormatRequest*) {
    return windowOfContext(dc) && format == 1;
}

RenderContextHandle platCreateRenderContext(DeviceContextHandle dc) {
    PlatWindow* window = windowOfContext(dc);
    if (!window) return nullptr;
    SDL_GLContext context = SDL_GL_CreateContext(window->sdl);
    // The program shows nothing for this (it goes on without drawing); the
    // reason is still worth a line for whoever started it.
    if (!context && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_OPENGL))
        std::fprintf(stderr, "merrowind: no OpenGL rendering context: %s\n", SDL_GetError());
    return reinterpret_cast<RenderContextHandle>(context);
}

bool platMakeCurrent(DeviceContextHandle dc, RenderContextHandle rc) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    if (!rc) return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0;
    PlatWindow* window = windowOfContext(dc);
    if (!window) return false;
    if (SDL_GL_MakeCurrent(window->sdl, reinterpret_cast<SDL_GLContext>(rc)) != 0) return false;
    // The swap interval belongs to the context that is current.
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
    return true;
}

void platDeleteRenderContext(RenderContextHandle rc) {
    if (rc && SDL_WasInit(SDL_INIT_VIDEO))
        SDL_GL_DeleteContext(reinterpret_cast<SDL_GLContext>(rc));
}

void* platGetProcAddress(const char* name) {
    if (!name || !SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GL_GetCurrentContext()) return nullptr;
    const char* extension = owningExtension(name);
    if (extension && !SDL_GL_ExtensionSupported(extension)) return nullptr;
    return SDL_GL_GetProcAddress(name);
}

void platSwapBuffers(DeviceContextHandle dc) {
    PlatWindow* window = windowOfContext(dc);
    if (window) SDL_GL_SwapWindow(window->sdl);
}

// ---- Clock and module ----

uint32_t platMilliseconds() { return SDL_GetTicks(); }

InstanceHandle platModuleInstance() { return reinterpret_cast<InstanceHandle>(&moduleTag); }
