// SDL2 port of the platform layer (app/platform.h).
//
// Supports: modal message boxes, one or more top-level windows with an OpenGL
// context, an exact display mode change for a full-screen popup, a Win32-like
// message queue fed from SDL events, key and cursor polling, the millisecond
// clock. Tested on X11 without a window manager (Xvfb, and Xorg with the dummy
// driver for real mode switches), under openbox, and on sway 1.7 both natively
// (SDL_VIDEODRIVER=wayland) and through Xwayland; with SDL 2.26 and 2.32, and
// with sdl2-compat (SDL 2's interface over SDL 3, as Debian sid, Fedora and
// Arch ship it) on sway 1.12. Nothing is decided by the SDL version compiled
// against: each choice is made at run time from what the running SDL did
// (the driver it picked, a warp or a pointer lock it refused, a full-screen
// state it did not get).
//
// The port's files, one concern each (app/sdl/; the internals share the
// namespace sdlport):
//   video_start    ensureVideo: no invisible drivers, the reason without a display
//   x_errors       X protocol errors reported and survived
//   x_server       our own X connection: Xwayland or not, box fonts, raw motion
//   windows        window classes and windows
//   display_mode   the 800 x 600 mode, and full screen in it
//   keys           virtual-key codes to and from SDL keys, the key state
//   pointer        warp, capture or follow for steering; cursor position
//   queue          SDL events into the Win32-like message queue
//   message_box    modal boxes, through Xwayland where SDL's Wayland driver
//                  has none, and the true reason one cannot be shown
//   gl_context     the rendering context and extension entry points
//   this file      these notes, the clock and the module handle.
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
//    A box SDL cannot show (SDL 2's X11 box needs the X core fonts; on Wayland
//    SDL has only zenity, and from 2.32 on no longer falls back to its X11
//    box) is shown through Xwayland by a copy of the program running SDL's X11
//    driver (message_box.h) where an X server answers; failing that, it is
//    written to standard error and answers 0, with the cause found by the
//    port: SDL's own error names whatever it tried last.
//  - When a box closes, the keyboard focus goes back to its owner, or to the
//    first shown window, as Win32 hands the activation back.
//  - Test hook: MERROWIND_BOX_LOG (app/box_report.h). SDL's X11 box draws its
//    text itself, so nothing outside can read it.
//  - Window classes are the shared table (app/window_classes.h); creating a
//    window from an unknown class fails, unregistering only forgets the entry.
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
//    the desktop mode. SDL 3 on X11 takes full screen for granted only once
//    the window manager has put it in the window's state, and takes the mode
//    back five seconds after the switch if no window became full screen;
//    sdl2-compat has it wait for that answer meanwhile. With no window manager
//    running nobody answers: the port then writes the state itself, as a
//    window manager would (the popup already covers the switched screen), and
//    has SDL not wait (SDL_VIDEO_SYNC_WINDOW_OPERATIONS). SDL 2 did neither.
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
//    The raw motion is selected only while the program steers in a focused
//    window that is not minimised: a program asleep in SDL_WaitEvent reads
//    nothing, and the server kept every motion made elsewhere for it (about
//    70 bytes each). The hold starts a frame after the pointer comes over
//    the window (SDL says so once it has read the crossing), so the raw
//    motion made since the crossing, which the port's connection sees in
//    the server's own order, is the hold's: on sway 1.12 a full-screen
//    Xwayland window got its first crossing only with the hand's first
//    motion, and a quick hand's first motions were lost whole (+0.000 for
//    200 px, with sdl2-compat).
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

#include <SDL.h>

namespace {
char moduleTag;  // its address is the module instance handle
}  // namespace

// The millisecond clock SDL keeps from its start.
uint32_t platMilliseconds() { return SDL_GetTicks(); }

// The address of a byte of ours stands for the module.
InstanceHandle platModuleInstance() { return reinterpret_cast<InstanceHandle>(&moduleTag); }
