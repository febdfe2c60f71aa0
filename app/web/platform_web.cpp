// Browser port of the platform layer (app/platform.h), built with emscripten
// and -sASYNCIFY. The page side (input, the box, full screen, frame pacing)
// is app/web/page.js; this file is the header's list, in its order.
//
// Quirks and decisions:
//  - The program's own loop runs unchanged: ASYNCIFY lets platSwapBuffers,
//    platWaitMessage, platMessageBox and platChangeDisplayMode await the page
//    (the next animation frame, the next event, a click) while the browser
//    runs on. Frames are paced by the browser, one per animation frame; a
//    hidden page gets none, so it is reported minimised until shown again.
//  - Message boxes are dialogs in the page. Their click (or Return) is the
//    user gesture that full screen needs, which Yes asks for right after.
//  - The display mode: a page cannot change it. Full screen is the page's
//    Fullscreen API at the screen's size, and the canvas follows the size
//    given (MSG_SIZE), undistorted; a refusal is a mode the display lacks.
//    Leaving full screen (the browser's Escape) returns to 800 x 600.
//  - The pointer: steering needs relative motion, which only pointer lock
//    gives. A click on the canvas locks it (and is not passed on as a click);
//    the position read is the last one set plus the locked motion since, so
//    N px turn the view N/500 rad in any direction, never stopped by an edge.
//  - Escape under pointer lock or in full screen is the browser's (it frees
//    the pointer, or leaves full screen); only one the page gets ends the
//    program.
//  - GL: the "device context" is the window (the canvas); the context is
//    WebGL 1, drawn through the GL subset in app/web/gl_subset/. A browser
//    without WebGL is a desktop without a display: no box can be shown and
//    no window made (the page says why), so the program ends with 1.
//  - A reset GPU (a lost WebGL context) stops the frames at platSwapBuffers
//    until the browser restores the context; the GL subset then rebuilds
//    everything the program had made, so the program never learns of it.
#include "app/platform.h"

#include "app/box_report.h"
#include "app/message_queue.h"
#include "app/web/gl_subset/gl_subset.h"
#include "app/web/web_page.h"
#include "app/window_classes.h"

#include <emscripten.h>
#include <emscripten/html5_webgl.h>

#include <cstring>
#include <string>

struct PlatWindow {
    WindowProcedure procedure;
    bool shown;
};

// ---- The page, through page.js ----

EM_ASYNC_JS(int, pageMessageBox, (const char* text, const char* caption, int yesNo), {
    return await Page.messageBox(UTF8ToString(caption), UTF8ToString(text), yesNo != 0);
});
EM_ASYNC_JS(int, pageEnterFullScreen, (), { return await Page.enterFullScreen(); });
// 1 when the WebGL context was restored since the frame before.
EM_ASYNC_JS(int, pageNextFrame, (), { return await Page.nextFrame(); });
EM_ASYNC_JS(void, pageNextEvent, (), { await Page.nextEvent(); });
EM_JS(void, pageLeaveFullScreen, (), { Page.leaveFullScreen(); });
EM_JS(int, pageScreenSize, (int* width, int* height, int* depth), {
    HEAP32[width >> 2] = screen.width;
    HEAP32[height >> 2] = screen.height;
    HEAP32[depth >> 2] = screen.colorDepth;
    return 1;
});
EM_JS(int, pageCanvasSize, (), { return Page.canvasSize(); });
// Makes the page's WebGL context, once; 0 (and the page's notice) without one.
EM_JS(int, pageHasWebGL, (), { return Page.webgl() ? 1 : 0; });
EM_JS(void, pageShowCanvas, (const char* title), { Page.showCanvas(UTF8ToString(title)); });
EM_JS(void, pageSetTitle, (const char* title), { Page.setTitle(UTF8ToString(title)); });
EM_JS(int, pageHasFocus, (), { return document.hasFocus() ? 1 : 0; });
EM_JS(void, pageFocusCanvas, (), { Page.canvas.focus({preventScroll : true}); });
// Hidden only while full screen (index.html): back in the framed page the
// pointer is needed to click the scene.
EM_JS(void, pageShowCursor, (int show), { Page.canvas.classList.toggle("no-cursor", !show); });
EM_JS(int, pageKeyHeld, (int key), { return Page.held.has(key) ? 1 : 0; });
EM_JS(int, pageTakeMotion, (int* dx, int* dy), {
    HEAP32[dx >> 2] = Page.motionX;
    HEAP32[dy >> 2] = Page.motionY;
    Page.motionX = Page.motionY = 0;
    return 1;
});
// Moves one page event into the three out-values; 0 when there is none.
EM_JS(int, pageTakeEvent, (uint32_t * message, uintptr_t* wParam, intptr_t* lParam), {
    var event = Page.events.shift();
    if (!event) return 0;
    HEAPU32[message >> 2] = event[0];
    HEAPU32[wParam >> 2] = event[1];
    HEAP32[lParam >> 2] = event[2];
    return 1;
});
EM_JS(void, pageEnded, (int exitCode), { Page.ended(exitCode); });

namespace {

char moduleTag;  // its address is the module instance handle

PlatWindow theWindow = {nullptr, false};
std::string shownTitle;

int virtualX = 0, virtualY = 0;

// The window behind a handle, or null for any other handle.
PlatWindow* knownWindow(const void* handle) {
    return handle == &theWindow && theWindow.procedure ? &theWindow : nullptr;
}

// Moves what the page has collected into the queue (for the one window).
void pumpEvents() {
    PlatMessage message = {&theWindow, 0, 0, 0};
    while (pageTakeEvent(&message.message, &message.wParam, &message.lParam))
        if (theWindow.shown) queuePost(message);
}

}  // namespace

void webProgramEnded(int exitCode) { pageEnded(exitCode); }

// ---- Message boxes ----

int platMessageBox(WindowHandle, const char* text, const char* caption, uint32_t style) {
    logBox(caption, text);
    if (!pageHasWebGL()) {
        reportUnshownBox(caption, text, style, "this browser has WebGL turned off or unavailable");
        return 0;
    }
    return pageMessageBox(text ? text : "", caption ? caption : "",
                          (style & 0x0F) == BOX_YESNO ? 1 : 0);
}

// ---- Window ----

bool platRegisterWindowClass(const WindowClassDesc* desc) { return classRegister(desc); }

bool platUnregisterWindowClass(const char* className, InstanceHandle instance) {
    return classUnregister(className, instance);
}

// The canvas has no frame: the outer size is the client size.
bool platAdjustWindowRect(ClientRect* rect, uint32_t) { return rect != nullptr; }

// The page has one canvas, so there is one window; its size is the page's
// choice (800 x 600, or the full screen given).
WindowHandle platCreateWindow(const char* className, const char* title, uint32_t, int, int, int,
                              int, InstanceHandle instance) {
    const WindowProcedure procedure = classProcedure(className, instance);
    if (!procedure || theWindow.procedure || !pageHasWebGL()) return nullptr;
    theWindow = {procedure, false};
    shownTitle = title ? title : "";
    return &theWindow;
}

void platShowWindow(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    if (!window) return;
    pageShowCanvas(shownTitle.c_str());
    window->shown = true;
    window->procedure(window, MSG_SIZE, SIZE_KIND_RESTORED, pageCanvasSize());
}

void platUpdateWindow(WindowHandle handle) {
    PlatWindow* window = knownWindow(handle);
    if (window) window->procedure(window, MSG_PAINT, 0, 0);
}

void platSetFocus(WindowHandle handle) {
    if (knownWindow(handle)) pageFocusCanvas();
}

bool platGetClientRect(WindowHandle handle, ClientRect* rect) {
    if (!knownWindow(handle) || !rect) return false;
    const int size = pageCanvasSize();
    *rect = {0, 0, size & 0xFFFF, (size >> 16) & 0xFFFF};
    return true;
}

// The program sets the title every frame; the page is written only when it changes.
void platSetWindowTitle(WindowHandle handle, const char* title) {
    if (!knownWindow(handle) || shownTitle == (title ? title : "")) return;
    shownTitle = title ? title : "";
    pageSetTitle(shownTitle.c_str());
}

bool platHasInputFocus(WindowHandle handle) { return knownWindow(handle) && pageHasFocus(); }

WindowHandle platFocusWindow() { return theWindow.shown && pageHasFocus() ? &theWindow : nullptr; }

// ---- Display mode ----

bool platReadDisplayMode(DisplayMode* mode) {
    if (!mode) return false;
    int width = 0, height = 0, depth = 0;
    pageScreenSize(&width, &height, &depth);
    *mode = {width, height, depth, 60};  // a page cannot learn the refresh rate
    return true;
}

bool platChangeDisplayMode(const DisplayMode* mode) { return mode && pageEnterFullScreen(); }

void platRestoreDisplayMode() { pageLeaveFullScreen(); }

// ---- Message queue ----

bool platPeekMessage(PlatMessage* message) {
    pumpEvents();
    return queueTake(message);
}

void platWaitMessage() {
    pumpEvents();
    if (!queueWaiting()) pageNextEvent();
}

void platTranslateMessage(const PlatMessage*) {}

intptr_t platDispatchMessage(const PlatMessage* message) {
    PlatWindow* window = message ? knownWindow(message->window) : nullptr;
    if (!window) return 0;
    return window->procedure(window, message->message, message->wParam, message->lParam);
}

void platPostQuitMessage(int exitCode) { queuePostQuit(exitCode); }

// A page cannot be closed by the program's window, so nothing needs a default.
intptr_t platDefWindowProc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

void platBeginPaint(WindowHandle) {}
void platEndPaint(WindowHandle) {}

// ---- Input polling ----

bool platKeyHeld(int virtualKey) { return pageKeyHeld(virtualKey); }

bool platGetCursorPos(int* x, int* y) {
    if (!x || !y) return false;
    int dx = 0, dy = 0;
    pageTakeMotion(&dx, &dy);
    virtualX += dx;
    virtualY += dy;
    *x = virtualX;
    *y = virtualY;
    return true;
}

// Motion not yet read stays with the page: it counts from the position set.
bool platSetCursorPos(int x, int y) {
    virtualX = x;
    virtualY = y;
    return true;
}

void platShowCursor(bool show) { pageShowCursor(show); }

// ---- Rendering context ----

DeviceContextHandle platGetDeviceContext(WindowHandle handle) {
    return reinterpret_cast<DeviceContextHandle>(knownWindow(handle));
}

void platReleaseDeviceContext(WindowHandle, DeviceContextHandle) {}

// WebGL fixes the format when the context is made: RGB, a depth buffer.
int platChoosePixelFormat(DeviceContextHandle dc, const PixelFormatRequest*) {
    return knownWindow(dc) && pageHasWebGL() ? 1 : 0;
}

bool platSetPixelFormat(DeviceContextHandle dc, int format, const PixelFormatRequest*) {
    return knownWindow(dc) && format == 1;
}

// The drawing buffer's attributes are page.js's CONTEXT_ATTRIBUTES: the page
// made the context already, and the canvas hands that one out again. Only
// emscripten's own settings are given here: WebGL 1, and no extensions (the
// GL subset needs none, and asking for each one costs a round trip to the
// GPU process).
RenderContextHandle platCreateRenderContext(DeviceContextHandle dc) {
    if (!knownWindow(dc) || !pageHasWebGL()) return nullptr;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 1;
    attributes.enableExtensionsByDefault = EM_FALSE;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#scene", &attributes);
    return context > 0 ? reinterpret_cast<RenderContextHandle>(context) : nullptr;
}

bool platMakeCurrent(DeviceContextHandle, RenderContextHandle rc) {
    const auto context =
        static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<intptr_t>(rc));
    return emscripten_webgl_make_context_current(context) == EMSCRIPTEN_RESULT_SUCCESS;
}

void platDeleteRenderContext(RenderContextHandle rc) {
    if (rc)
        emscripten_webgl_destroy_context(
            static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<intptr_t>(rc)));
}

void* platGetProcAddress(const char* name) {
    if (!name || !glSubsetLive()) return nullptr;
    if (std::strcmp(name, "glActiveTextureARB") == 0)
        return reinterpret_cast<void*>(&glSubsetActiveTexture);
    if (std::strcmp(name, "glMultiTexCoord2fARB") == 0)
        return reinterpret_cast<void*>(&glSubsetMultiTexCoord2f);
    return nullptr;
}

// Yields to the browser until its next animation frame with a context.
void platSwapBuffers(DeviceContextHandle dc) {
    if (knownWindow(dc) && pageNextFrame()) glSubsetRestoreObjects();
}

// ---- Clock and module ----

uint32_t platMilliseconds() {
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}

InstanceHandle platModuleInstance() { return reinterpret_cast<InstanceHandle>(&moduleTag); }
