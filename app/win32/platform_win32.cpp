// Native Win32 port of the platform layer (app/platform.h): USER32, GDI, WGL
// and the multimedia timer, no other library.
//
// Supports: modal message boxes, top-level windows from registered classes,
// an OpenGL context through WGL, the full-screen display mode change, the
// thread's own message queue, key and cursor polling, the millisecond clock.
// Built with mingw-w64 (Debian's g++-mingw-w64-x86-64) and run on Windows and
// under Wine (X11 driver, with or without a window manager).
//
// The header's values are the Win32 ones, so messages, virtual keys, window
// styles, class styles and box styles and results pass through unchanged, and
// the opaque handles are the Win32 handles themselves.
//
// Quirks and decisions, in the order of the header:
//  - Message boxes: MessageBoxA as is. A Yes/No box has no Cancel button, so
//    Escape does nothing there (Win32's rule); Y, N and Return answer it.
//    A box that cannot be shown (MessageBoxA gives 0) is written to standard
//    error with the system's reason; a program built with -mwindows has one
//    only when its starter redirected it.
//  - Test hook, the same as the SDL port's: MERROWIND_BOX_LOG
//    (app/box_report.h). A box's text is a static control nothing can read.
//  - Window classes: the class's window procedure is a trampoline that finds
//    the program's WindowProcedure by the window's class atom, so the portable
//    procedure keeps its own signature. The class also gets the standard
//    application icon, the arrow cursor and the COLOR_WINDOW background.
//  - Unregistering a class fails while a window of it exists (the program
//    never destroys its window on Escape); the procedure is then kept, so late
//    messages still reach it.
//  - The default processing of MSG_CLOSE (DefWindowProcA) destroys the window.
//    Shut-down then releases a device context whose window is gone, which
//    Win32 refuses harmlessly.
//  - The display mode change starts from the full record that
//    EnumDisplaySettingsA gave (ENUM_CURRENT_SETTINGS), so the depth and the
//    refresh rate stay, and flags width, height and depth (CDS_FULLSCREEN:
//    temporary, undone by the system when the process ends).
//  - A quit request is Win32's quit flag: WM_QUIT comes after every posted and
//    input message that is waiting, and PeekMessageA never reports an empty
//    queue while the flag is set.
//  - platWaitMessage is WaitMessage: it returns for input that arrived since
//    the queue was last read, which PeekMessageA just emptied.
//  - Key state is GetKeyState, the state as of the last message taken from the
//    queue, which is what the main loop has seen; bit 0x80 is "down".
//  - The pixel format descriptor is the classic one: draw to window, OpenGL,
//    RGBA, the depths asked for, main plane. The closest format is taken,
//    whatever its depths.
//  - wglGetProcAddress returns 1, 2, 3 or -1 instead of null on some drivers
//    for a name they lack; those count as null.
//  - Frames are paced to the display through WGL_EXT_swap_control: interval
//    -1 (adaptive) is refused without WGL_EXT_swap_control_tear, and 1 is
//    asked for then. Drivers without the extension leave frames unpaced.
//  - The process is not DPI aware: on a scaled desktop Windows stretches the
//    800 x 600 client, and cursor positions are in the same scaled pixels, so
//    steering and the centre point still agree.
//  - timeGetTime runs at the system's timer resolution (often 15.6 ms); frame
//    times are differences of it, so movement stays right on average.
#include "app/platform.h"

#include "app/box_report.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The opaque handles of the header are the Win32 handles themselves.
HWND toWindow(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
WindowHandle fromWindow(HWND window) { return reinterpret_cast<WindowHandle>(window); }
HDC toDc(DeviceContextHandle handle) { return reinterpret_cast<HDC>(handle); }
HGLRC toRc(RenderContextHandle handle) { return reinterpret_cast<HGLRC>(handle); }
HINSTANCE toInstance(InstanceHandle handle) { return reinterpret_cast<HINSTANCE>(handle); }

// One registered class: its atom, name and module, and the program's procedure.
struct ClassProcedure {
    ATOM atom;
    std::string name;
    HINSTANCE instance;
    WindowProcedure procedure;
};
std::vector<ClassProcedure> classProcedures;

// The last message PeekMessageA gave, with the time and cursor position that
// TranslateMessage and DispatchMessageA may look at.
MSG lastMessage = {};

// The paint record between platBeginPaint and platEndPaint.
PAINTSTRUCT paintRecord = {};

// The current settings as last read, the starting point of a mode change.
DEVMODEA currentMode = {};
bool currentModeRead = false;

// The program's procedure for a window, found by its class; null for a class
// that was not registered here.
WindowProcedure procedureOf(HWND window) {
    const ATOM atom = static_cast<ATOM>(GetClassLongPtrA(window, GCW_ATOM));
    for (const ClassProcedure& entry : classProcedures)
        if (entry.atom == atom) return entry.procedure;
    return nullptr;
}

// The window procedure of every class registered here.
LRESULT CALLBACK trampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowProcedure procedure = procedureOf(window);
    if (!procedure) return DefWindowProcA(window, message, wParam, lParam);
    return procedure(fromWindow(window), message, wParam, lParam);
}

// The descriptor asked for and set; every field not named is zero.
PIXELFORMATDESCRIPTOR describe(const PixelFormatRequest* request) {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (!request || request->doubleBuffer) pfd.dwFlags |= PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(request ? request->colorBits : 16);
    pfd.cDepthBits = static_cast<BYTE>(request ? request->depthBits : 16);
    pfd.cAccumBits = static_cast<BYTE>(request ? request->accumBits : 0);
    pfd.cStencilBits = static_cast<BYTE>(request ? request->stencilBits : 0);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// The full MSG for a message the program hands back: the one just peeked when
// it is that one, otherwise rebuilt from its four fields.
MSG fullMessage(const PlatMessage* message) {
    if (lastMessage.hwnd == toWindow(message->window) && lastMessage.message == message->message &&
        lastMessage.wParam == message->wParam && lastMessage.lParam == message->lParam)
        return lastMessage;
    MSG msg = {};
    msg.hwnd = toWindow(message->window);
    msg.message = message->message;
    msg.wParam = message->wParam;
    msg.lParam = message->lParam;
    msg.time = GetMessageTime();
    DWORD pos = GetMessagePos();
    msg.pt.x = static_cast<short>(LOWORD(pos));
    msg.pt.y = static_cast<short>(HIWORD(pos));
    return msg;
}

}  // namespace

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the descriptor's size is part of the ABI");

// ---- Message boxes ----

int platMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    logBox(caption, text);
    int pressed = MessageBoxA(toWindow(owner), text ? text : "", caption ? caption : "", style);
    if (pressed == 0) {
        char reason[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       GetLastError(), 0, reason, sizeof reason, nullptr);
        reportUnshownBox(caption, text, style, reason);
    }
    return pressed;
}

// ---- Window ----

bool platRegisterWindowClass(const WindowClassDesc* desc) {
    if (!desc || !desc->className || !desc->procedure) return false;
    WNDCLASSA windowClass = {};
    windowClass.style = desc->style;
    windowClass.lpfnWndProc = trampoline;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = toInstance(desc->instance);
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = desc->className;
    const ATOM atom = RegisterClassA(&windowClass);
    if (!atom) return false;
    classProcedures.push_back({atom, desc->className, windowClass.hInstance, desc->procedure});
    return true;
}

bool platUnregisterWindowClass(const char* className, InstanceHandle instance) {
    if (!className) return false;
    if (!UnregisterClassA(className, toInstance(instance))) return false;
    for (size_t i = 0; i < classProcedures.size(); ++i) {
        // Win32 matches class names without regard to case.
        if (classProcedures[i].instance == toInstance(instance) &&
            lstrcmpiA(classProcedures[i].name.c_str(), className) == 0) {
            classProcedures.erase(classProcedures.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    return true;
}

bool platAdjustWindowRect(ClientRect* rect, uint32_t style) {
    if (!rect) return false;
    RECT outer = {rect->left, rect->top, rect->right, rect->bottom};
    if (!AdjustWindowRect(&outer, style, FALSE)) return false;
    *rect = {outer.left, outer.top, outer.right, outer.bottom};
    return true;
}

WindowHandle platCreateWindow(const char* className, const char* title, uint32_t style, int x,
                              int y, int outerWidth, int outerHeight, InstanceHandle instance) {
    HWND window = CreateWindowExA(0, className, title ? title : "", style, x, y, outerWidth,
                                  outerHeight, nullptr, nullptr, toInstance(instance), nullptr);
    return fromWindow(window);
}

void platShowWindow(WindowHandle window) { ShowWindow(toWindow(window), SW_SHOWNORMAL); }

void platUpdateWindow(WindowHandle window) { UpdateWindow(toWindow(window)); }

void platSetFocus(WindowHandle window) { SetFocus(toWindow(window)); }

bool platGetClientRect(WindowHandle window, ClientRect* rect) {
    if (!rect) return false;
    RECT client;
    if (!GetClientRect(toWindow(window), &client)) return false;
    *rect = {client.left, client.top, client.right, client.bottom};
    return true;
}

void platSetWindowTitle(WindowHandle window, const char* title) {
    SetWindowTextA(toWindow(window), title ? title : "");
}

bool platHasInputFocus(WindowHandle window) {
    return window != nullptr && GetFocus() == toWindow(window);
}

WindowHandle platFocusWindow() { return fromWindow(GetFocus()); }

// ---- Display mode ----

bool platReadDisplayMode(DisplayMode* mode) {
    if (!mode) return false;
    DEVMODEA settings = {};
    settings.dmSize = sizeof settings;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &settings)) return false;
    currentMode = settings;
    currentModeRead = true;
    *mode = {static_cast<int>(settings.dmPelsWidth), static_cast<int>(settings.dmPelsHeight),
             static_cast<int>(settings.dmBitsPerPel),
             static_cast<int>(settings.dmDisplayFrequency)};
    return true;
}

bool platChangeDisplayMode(const DisplayMode* mode) {
    if (!mode || mode->width <= 0 || mode->height <= 0 || mode->bitsPerPixel <= 0) return false;
    DEVMODEA settings = {};
    settings.dmSize = sizeof settings;
    if (currentModeRead) settings = currentMode;
    settings.dmPelsWidth = static_cast<DWORD>(mode->width);
    settings.dmPelsHeight = static_cast<DWORD>(mode->height);
    settings.dmBitsPerPel = static_cast<DWORD>(mode->bitsPerPixel);
    settings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&settings, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void platRestoreDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }

// ---- Message queue ----

bool platPeekMessage(PlatMessage* message) {
    if (!message) return false;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    lastMessage = msg;
    *message = {fromWindow(msg.hwnd), msg.message, msg.wParam, msg.lParam};
    return true;
}

void platTranslateMessage(const PlatMessage* message) {
    if (!message) return;
    MSG msg = fullMessage(message);
    TranslateMessage(&msg);
}

intptr_t platDispatchMessage(const PlatMessage* message) {
    if (!message) return 0;
    MSG msg = fullMessage(message);
    return DispatchMessageA(&msg);
}

void platWaitMessage() { WaitMessage(); }

void platPostQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

intptr_t platDefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
    return DefWindowProcA(toWindow(window), message, wParam, lParam);
}

void platBeginPaint(WindowHandle window) { BeginPaint(toWindow(window), &paintRecord); }

void platEndPaint(WindowHandle window) { EndPaint(toWindow(window), &paintRecord); }

// ---- Input polling ----

bool platKeyHeld(int virtualKey) { return (GetKeyState(virtualKey) & 0x80) != 0; }

bool platGetCursorPos(int* x, int* y) {
    if (!x || !y) return false;
    POINT point;
    if (!GetCursorPos(&point)) return false;
    *x = point.x;
    *y = point.y;
    return true;
}

bool platSetCursorPos(int x, int y) { return SetCursorPos(x, y) != FALSE; }

// ShowCursor keeps a display counter; each hide is matched by one show.
void platShowCursor(bool show) { ShowCursor(show ? TRUE : FALSE); }

// ---- Rendering context ----

DeviceContextHandle platGetDeviceContext(WindowHandle window) {
    return reinterpret_cast<DeviceContextHandle>(GetDC(toWindow(window)));
}

void platReleaseDeviceContext(WindowHandle window, DeviceContextHandle dc) {
    ReleaseDC(toWindow(window), toDc(dc));
}

int platChoosePixelFormat(DeviceContextHandle dc, const PixelFormatRequest* request) {
    if (!dc) return 0;
    const PIXELFORMATDESCRIPTOR pfd = describe(request);
    return ChoosePixelFormat(toDc(dc), &pfd);
}

bool platSetPixelFormat(DeviceContextHandle dc, int format, const PixelFormatRequest* request) {
    if (!dc) return false;
    const PIXELFORMATDESCRIPTOR pfd = describe(request);
    return SetPixelFormat(toDc(dc), format, &pfd) != FALSE;
}

RenderContextHandle platCreateRenderContext(DeviceContextHandle dc) {
    return reinterpret_cast<RenderContextHandle>(wglCreateContext(toDc(dc)));
}

bool platMakeCurrent(DeviceContextHandle dc, RenderContextHandle rc) {
    if (!wglMakeCurrent(toDc(dc), toRc(rc))) return false;
    // The swap interval belongs to the context that is current.
    typedef BOOL(WINAPI * SwapIntervalProc)(int interval);
    SwapIntervalProc swapInterval =
        rc ? reinterpret_cast<SwapIntervalProc>(platGetProcAddress("wglSwapIntervalEXT")) : nullptr;
    if (swapInterval && !swapInterval(-1)) swapInterval(1);
    return true;
}

void platDeleteRenderContext(RenderContextHandle rc) {
    if (rc) wglDeleteContext(toRc(rc));
}

void* platGetProcAddress(const char* name) {
    if (!name) return nullptr;
    PROC entry = wglGetProcAddress(name);
    const intptr_t value = reinterpret_cast<intptr_t>(entry);
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) return nullptr;
    return reinterpret_cast<void*>(entry);
}

void platSwapBuffers(DeviceContextHandle dc) { SwapBuffers(toDc(dc)); }

// ---- Clock and module ----

uint32_t platMilliseconds() { return timeGetTime(); }

InstanceHandle platModuleInstance() {
    return reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr));
}
