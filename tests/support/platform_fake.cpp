// The scripted fake platform: records what the program asks of the system and
// answers from what the test staged in `fake`.
#include "tests/support/fake_platform.h"

#include "app/window_classes.h"

#include <GL/glx.h>

#include <deque>

FakeState fake;

namespace {

struct FakeObject {};
FakeObject theWindow, theDc, theRc, theInstance;

std::deque<PlatMessage> queue;
bool quitPending = false;
int quitCode = 0;

}  // namespace

void fakeReset() {
    fake = FakeState();
    classForgetAll();
    queue.clear();
    quitPending = false;
    quitCode = 0;
}

void fakePostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    queue.push_back({fakeWindow(), message, wParam, lParam});
}

int fakeQueuedMessages() { return static_cast<int>(queue.size()); }

WindowHandle fakeWindow() { return reinterpret_cast<WindowHandle>(&theWindow); }

int platMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    fake.boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    if (!fake.boxAnswers.empty()) {
        int answer = fake.boxAnswers.front();
        fake.boxAnswers.erase(fake.boxAnswers.begin());
        return answer;
    }
    return (style & 0x0F) == BOX_YESNO ? BOX_RESULT_YES : BOX_RESULT_OK;
}

bool platRegisterWindowClass(const WindowClassDesc* desc) {
    if (!classRegister(desc)) return false;
    fake.registeredClass = desc->className;
    return true;
}

bool platUnregisterWindowClass(const char* className, InstanceHandle instance) {
    ++fake.unregisters;
    return classUnregister(className, instance);
}

// The fake's frame is 8 pixels on each side and a 23-pixel caption, so a test
// can tell an adjusted rectangle from the client one.
bool platAdjustWindowRect(ClientRect* rect, uint32_t style) {
    if (style & STYLE_OVERLAPPEDWINDOW) {
        rect->left -= 8;
        rect->right += 8;
        rect->top -= 31;
        rect->bottom += 8;
    }
    return true;
}

WindowHandle platCreateWindow(const char* className, const char* title, uint32_t style, int x,
                              int y, int outerWidth, int outerHeight, InstanceHandle instance) {
    const WindowProcedure procedure = classProcedure(className, instance);
    if (fake.failCreateWindow || !procedure) return nullptr;
    fake.procedure = procedure;
    fake.windowCreated = true;
    fake.createdTitle = title;
    fake.windowTitle = title;
    fake.windowStyle = style;
    fake.windowX = x;
    fake.windowY = y;
    fake.outerWidth = outerWidth;
    fake.outerHeight = outerHeight;
    ClientRect frame = {0, 0, 0, 0};
    platAdjustWindowRect(&frame, style);
    fake.clientWidth = outerWidth - (frame.right - frame.left);
    fake.clientHeight = outerHeight - (frame.bottom - frame.top);
    return fakeWindow();
}

void platShowWindow(WindowHandle window) {
    fake.windowShown = true;
    if (fake.procedure) {
        intptr_t size = (static_cast<intptr_t>(fake.clientHeight) << 16) | fake.clientWidth;
        fake.procedure(window, MSG_SIZE, 0, size);
    }
}

void platUpdateWindow(WindowHandle window) {
    if (fake.procedure) fake.procedure(window, MSG_PAINT, 0, 0);
}

void platSetFocus(WindowHandle) { fake.focused = true; }

bool platGetClientRect(WindowHandle window, ClientRect* rect) {
    if (!window) return false;
    *rect = {0, 0, fake.clientWidth, fake.clientHeight};
    return true;
}

void platSetWindowTitle(WindowHandle, const char* title) {
    fake.windowTitle = title;
    fake.titles.push_back(title);
}

bool platHasInputFocus(WindowHandle) { return fake.focused; }

WindowHandle platFocusWindow() {
    return fake.windowCreated && fake.focused ? fakeWindow() : nullptr;
}

bool platReadDisplayMode(DisplayMode* mode) {
    if (fake.failReadDisplay) return false;
    *mode = fake.currentMode;
    return true;
}

bool platChangeDisplayMode(const DisplayMode* mode) {
    fake.requestedMode = *mode;
    if (fake.failChangeDisplay) return false;
    fake.displayChanged = true;
    return true;
}

void platRestoreDisplayMode() {
    ++fake.displayRestores;
    fake.displayChanged = false;
}

bool platPeekMessage(PlatMessage* message) {
    if (!queue.empty()) {
        *message = queue.front();
        queue.pop_front();
        return true;
    }
    if (quitPending) {
        quitPending = false;
        *message = {nullptr, MSG_QUIT, static_cast<uintptr_t>(quitCode), 0};
        return true;
    }
    return false;
}

void platWaitMessage() {
    ++fake.waits;
    if (!queue.empty() || quitPending) return;
    if (fake.arrivingOnWait.empty()) {
        platPostQuitMessage(0);
        return;
    }
    queue.push_back(fake.arrivingOnWait.front());
    fake.arrivingOnWait.erase(fake.arrivingOnWait.begin());
}

void platTranslateMessage(const PlatMessage*) {}

intptr_t platDispatchMessage(const PlatMessage* message) {
    if (!fake.procedure) return 0;
    return fake.procedure(message->window, message->message, message->wParam, message->lParam);
}

void platPostQuitMessage(int exitCode) {
    quitPending = true;
    quitCode = exitCode;
}

intptr_t platDefWindowProc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

void platBeginPaint(WindowHandle) {}
void platEndPaint(WindowHandle) { ++fake.paints; }

bool platKeyHeld(int virtualKey) {
    return virtualKey >= 0 && virtualKey < 256 && fake.keys[virtualKey];
}

bool platGetCursorPos(int* x, int* y) {
    *x = fake.cursorX;
    *y = fake.cursorY;
    return true;
}

bool platSetCursorPos(int x, int y) {
    ++fake.cursorSets;
    fake.cursorX = x;
    fake.cursorY = y;
    return true;
}

void platShowCursor(bool show) { fake.cursorShowCount += show ? 1 : -1; }

DeviceContextHandle platGetDeviceContext(WindowHandle window) {
    return window ? reinterpret_cast<DeviceContextHandle>(&theDc) : nullptr;
}

void platReleaseDeviceContext(WindowHandle, DeviceContextHandle) { ++fake.deviceContextsReleased; }

int platChoosePixelFormat(DeviceContextHandle, const PixelFormatRequest*) {
    return fake.failChoosePixel ? 0 : 1;
}

bool platSetPixelFormat(DeviceContextHandle, int, const PixelFormatRequest*) {
    return !fake.failSetPixel;
}

RenderContextHandle platCreateRenderContext(DeviceContextHandle dc) {
    return dc ? reinterpret_cast<RenderContextHandle>(&theRc) : nullptr;
}

bool platMakeCurrent(DeviceContextHandle, RenderContextHandle rc) {
    fake.renderContextCurrent = rc != nullptr;
    return true;
}

void platDeleteRenderContext(RenderContextHandle) { ++fake.renderContextsDeleted; }

// The real dispatch stubs of the system's GL: with no context current they do
// nothing, so a unit test can run whole frames without a window.
void* platGetProcAddress(const char* name) {
    for (const std::string& missing : fake.missingProcs)
        if (missing == name) return nullptr;
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

void platSwapBuffers(DeviceContextHandle) {
    ++fake.swaps;
    if (fake.quitAfterSwaps >= 0 && fake.swaps >= fake.quitAfterSwaps) platPostQuitMessage(0);
}

uint32_t platMilliseconds() { return fake.clock; }

InstanceHandle platModuleInstance() { return reinterpret_cast<InstanceHandle>(&theInstance); }
