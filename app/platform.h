// The platform layer: every service the scene takes from the operating system.
//
// The rest of the program sees only this header. A port supplies every function
// declared below, and nothing else:
//
//   message boxes    platMessageBox
//   window           platRegisterWindowClass, platUnregisterWindowClass,
//                    platAdjustWindowRect, platCreateWindow, platShowWindow,
//                    platUpdateWindow, platSetFocus, platGetClientRect,
//                    platSetWindowTitle, platHasInputFocus, platFocusWindow
//   display mode     platReadDisplayMode, platChangeDisplayMode,
//                    platRestoreDisplayMode
//   message queue    platPeekMessage, platWaitMessage, platTranslateMessage,
//                    platDispatchMessage, platPostQuitMessage, platDefWindowProc,
//                    platBeginPaint, platEndPaint
//   input polling    platKeyHeld, platGetCursorPos, platSetCursorPos,
//                    platShowCursor
//   GL context       platGetDeviceContext, platReleaseDeviceContext,
//                    platChoosePixelFormat, platSetPixelFormat,
//                    platCreateRenderContext, platMakeCurrent,
//                    platDeleteRenderContext, platGetProcAddress,
//                    platSwapBuffers
//   clock            platMilliseconds
//   module           platModuleInstance
//
// Ports, one chosen per build by MERROWIND_PLATFORM in CMakeLists.txt:
//   app/platform_sdl.cpp             Linux and other Unix desktops (SDL2, GLX)
//   app/win32/platform_win32.cpp     Windows (USER32, GDI, WGL)
//   app/web/platform_web.cpp         a web page (emscripten, WebGL 1 through
//                                    the GL subset in app/web/gl_subset/)
//   tests/support/platform_fake.cpp  the unit tests' scripted fake
// The numeric values of messages, keys, styles and box results are the Win32
// ones, so the Windows port passes them through unchanged.
#pragma once

#include <cstdint>

// Opaque handles. Each port decides what stands behind them.
typedef struct PlatInstance* InstanceHandle;
typedef struct PlatWindow* WindowHandle;
typedef struct PlatDeviceContext* DeviceContextHandle;
typedef struct PlatRenderContext* RenderContextHandle;

// A rectangle of four signed ints, in the order left, top, right, bottom.
struct ClientRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// ---- Window messages --------------------------------------------------------

enum : uint32_t {
    MSG_SIZE = 0x0005,  // wParam: SIZE_KIND_*; lParam: width in the low 16 bits,
                        // height in the high 16
    MSG_PAINT = 0x000F,
    MSG_CLOSE = 0x0010,
    MSG_QUIT = 0x0012,         // wParam: the exit code given to platPostQuitMessage
    MSG_KEYDOWN = 0x0100,      // wParam: virtual-key code; sent again for auto-repeat
    MSG_LBUTTONDOWN = 0x0201,  // lParam: client x in the low 16 bits, y in the high 16
    MSG_RBUTTONDOWN = 0x0204,
};

// What a MSG_SIZE reports (Win32's SIZE_RESTORED and SIZE_MINIMIZED).
enum : uintptr_t {
    SIZE_KIND_RESTORED = 0,   // a new client size
    SIZE_KIND_MINIMIZED = 1,  // minimised: nothing of the window can be seen
};

// Virtual-key codes the program names. Letters and digits are their upper-case
// ASCII codes.
enum : int {
    KEY_ESCAPE = 0x1B,
    KEY_SPACE = 0x20,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
    KEY_A = 0x41,
    KEY_D = 0x44,
    KEY_S = 0x53,
    KEY_W = 0x57,
};

struct PlatMessage {
    WindowHandle window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// The window procedure: called for every dispatched or sent message.
typedef intptr_t (*WindowProcedure)(WindowHandle window, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam);

// ---- Message boxes ----------------------------------------------------------

enum : uint32_t {
    BOX_OK = 0x00,
    BOX_YESNO = 0x04,
    BOX_ICONQUESTION = 0x20,
};
enum : int {
    BOX_RESULT_OK = 1,
    BOX_RESULT_YES = 6,
    BOX_RESULT_NO = 7,
};

// Shows a modal box and blocks until it is answered; returns the button pressed.
// A box that cannot be shown returns 0 after writing its caption, text and the
// reason to standard error (app/box_report.h); callers take 0 for a Yes/No box
// as No. The owner may be null.
int platMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style);

// ---- Window -----------------------------------------------------------------

enum : uint32_t {
    STYLE_POPUP = 0x80000000u,
    STYLE_OVERLAPPEDWINDOW = 0x00CF0000u,  // caption, frame, system menu, size box
    STYLE_CLIPSIBLINGS = 0x04000000u,
    STYLE_CLIPCHILDREN = 0x02000000u,
};

enum : uint32_t {
    CLASS_HREDRAW = 0x0002,
    CLASS_VREDRAW = 0x0001,
};

struct WindowClassDesc {
    uint32_t style;
    WindowProcedure procedure;
    InstanceHandle instance;
    const char* className;
};

// Registers a window class; windows can only be created from a registered one.
bool platRegisterWindowClass(const WindowClassDesc* desc);
// Forgets a class registered with platRegisterWindowClass.
bool platUnregisterWindowClass(const char* className, InstanceHandle instance);
// Grows a client rectangle to the outer size the style needs (no menu).
bool platAdjustWindowRect(ClientRect* rect, uint32_t style);
// Creates the top-level window (hidden); null when it cannot be created.
WindowHandle platCreateWindow(const char* className, const char* title, uint32_t style, int x,
                              int y, int outerWidth, int outerHeight, InstanceHandle instance);
// Shows the window in its normal state; sends it its first MSG_SIZE.
void platShowWindow(WindowHandle window);
// Paints the window at once (sends MSG_PAINT).
void platUpdateWindow(WindowHandle window);
// Gives the window the keyboard focus.
void platSetFocus(WindowHandle window);
// The client area in drawable pixels: left and top are 0.
bool platGetClientRect(WindowHandle window, ClientRect* rect);
// Replaces the window's title.
void platSetWindowTitle(WindowHandle window, const char* title);
// True while the window has the keyboard and mouse focus.
bool platHasInputFocus(WindowHandle window);
// The program's window that has the keyboard focus, or null.
WindowHandle platFocusWindow();

// ---- Display mode -----------------------------------------------------------

struct DisplayMode {
    int width;
    int height;
    int bitsPerPixel;
    int refreshRate;
};

// Reads the primary display's current mode; false when it cannot be read.
bool platReadDisplayMode(DisplayMode* mode);
// Asks for a temporary full-screen change to exactly this mode.
bool platChangeDisplayMode(const DisplayMode* mode);
// Returns the display to the mode stored in the system settings.
void platRestoreDisplayMode();

// ---- Message queue ----------------------------------------------------------

// Takes the next message without waiting; false when the queue is empty. A
// pending quit request is returned as MSG_QUIT once every message queued before
// it has been taken, and the queue never reports empty while one is pending.
bool platPeekMessage(PlatMessage* message);
// Blocks until a message arrives; returns at once while one is waiting or a
// quit request is pending.
void platWaitMessage();
// Turns key messages into character messages (the program needs none).
void platTranslateMessage(const PlatMessage* message);
// Hands the message to its window's procedure; returns the procedure's result.
intptr_t platDispatchMessage(const PlatMessage* message);
// Queues a quit request; the caller goes on.
void platPostQuitMessage(int exitCode);
// The default processing every message ends with.
intptr_t platDefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);
// Bracket a paint message; the window counts as painted after platEndPaint.
void platBeginPaint(WindowHandle window);
void platEndPaint(WindowHandle window);

// ---- Input polling ----------------------------------------------------------

// True while the key with this virtual-key code is held down.
bool platKeyHeld(int virtualKey);
// The cursor position in screen pixels.
bool platGetCursorPos(int* x, int* y);
// Moves the cursor to a screen position. Where the system lets no program move
// the pointer, the port captures it instead while a window of the program has
// the focus, and the position read is the last one set plus the motion since.
bool platSetCursorPos(int x, int y);
// Shows or hides the cursor over the program's window.
void platShowCursor(bool show);

// ---- Rendering context ------------------------------------------------------

struct PixelFormatRequest {
    bool doubleBuffer;
    int colorBits;
    int depthBits;
    int accumBits;
    int stencilBits;
};

// The window's drawing surface, taken once and kept until shut-down.
DeviceContextHandle platGetDeviceContext(WindowHandle window);
// Gives the drawing surface back.
void platReleaseDeviceContext(WindowHandle window, DeviceContextHandle dc);
// The closest pixel format the surface offers; 0 when there is none.
int platChoosePixelFormat(DeviceContextHandle dc, const PixelFormatRequest* request);
// Puts that format on the surface; false on failure.
bool platSetPixelFormat(DeviceContextHandle dc, int format, const PixelFormatRequest* request);
// A new OpenGL rendering context for the surface; null on failure.
RenderContextHandle platCreateRenderContext(DeviceContextHandle dc);
// Makes a context current on this thread; both null makes none current.
bool platMakeCurrent(DeviceContextHandle dc, RenderContextHandle rc);
// Deletes a rendering context.
void platDeleteRenderContext(RenderContextHandle rc);
// An OpenGL entry point by name from the current context; null when it offers none.
void* platGetProcAddress(const char* name);
// Shows the frame just drawn.
void platSwapBuffers(DeviceContextHandle dc);

// ---- Clock and module -------------------------------------------------------

// Milliseconds from an arbitrary start, unsigned 32-bit, wrapping after ~49.7 days.
uint32_t platMilliseconds();
// The running program's module handle.
InstanceHandle platModuleInstance();
