// The program's one window, the display mode and the OpenGL rendering context.
#include "app/window.h"

#include "app/gl_api.h"
#include "app/window_messages.h"
#include "camera/view_volume.h"

bool fullScreenMode = true;
InstanceHandle appInstance = nullptr;
WindowHandle mainWindow = nullptr;
ClientRect clientRect = {0, 0, 0, 0};
DeviceContextHandle deviceContext = nullptr;
RenderContextHandle renderContext = nullptr;

const char* const WINDOW_CLASS_NAME = "Quillmoor";

namespace {

const uint32_t FULL_SCREEN_STYLE = STYLE_POPUP | STYLE_CLIPSIBLINGS | STYLE_CLIPCHILDREN;
const uint32_t FRAMED_STYLE = STYLE_OVERLAPPEDWINDOW | STYLE_CLIPSIBLINGS | STYLE_CLIPCHILDREN;

// The full-screen size is fixed, whatever client size the window asks for.
const int FULL_SCREEN_WIDTH = 800;
const int FULL_SCREEN_HEIGHT = 600;

}  // namespace

WindowHandle openMainWindow(const char* title, int width, int height, uint32_t style,
                            bool fullScreen, InstanceHandle instance) {
    WindowClassDesc windowClass = {};
    windowClass.style = CLASS_HREDRAW | CLASS_VREDRAW;
    windowClass.procedure = handleWindowMessage;
    windowClass.instance = instance;
    windowClass.className = WINDOW_CLASS_NAME;
    platRegisterWindowClass(&windowClass);

    if (fullScreen && style == 0) {
        style = FULL_SCREEN_STYLE;
        switchDisplayMode();
        // Hidden even when the switch failed: the popup still covers the screen.
        platShowCursor(false);
    } else if (!fullScreen && style == 0) {
        style = FRAMED_STYLE;
    }

    appInstance = instance;

    ClientRect outer = {0, 0, width, height};
    platAdjustWindowRect(&outer, style);

    WindowHandle window =
        platCreateWindow(WINDOW_CLASS_NAME, title, style, 0, 0, outer.right - outer.left,
                         outer.bottom - outer.top, instance);
    if (!window) return nullptr;

    platShowWindow(window);
    platUpdateWindow(window);
    platSetFocus(window);
    return window;
}

void switchDisplayMode() {
    DisplayMode mode = {0, 0, 0, 0};
    if (!platReadDisplayMode(&mode)) {
        platMessageBox(nullptr, "Could Not Enum Display Settings", "Error", BOX_OK);
        return;
    }
    // The depth is kept: only the size changes.
    mode.width = FULL_SCREEN_WIDTH;
    mode.height = FULL_SCREEN_HEIGHT;
    if (!platChangeDisplayMode(&mode)) {
        platMessageBox(nullptr, "Display Mode Not Compatible", "Error", BOX_OK);
        platPostQuitMessage(0);
    }
}

// The 16-bit depths are only a request; whatever the closest format has is taken.
bool configurePixelFormat(DeviceContextHandle dc) {
    PixelFormatRequest request = {};
    request.doubleBuffer = true;
    request.colorBits = 16;
    request.depthBits = 16;
    request.accumBits = 0;
    request.stencilBits = 0;

    int format = platChoosePixelFormat(dc, &request);
    if (format == 0) {
        platMessageBox(nullptr, "ChoosePixelFormat failed", "Error", BOX_OK);
        return false;
    }
    if (!platSetPixelFormat(dc, format, &request)) {
        platMessageBox(nullptr, "SetPixelFormat failed", "Error", BOX_OK);
        return false;
    }
    return true;
}

// A pixel-format failure asks to quit, but the context and projection are still
// set up so start-up can run to its end.
void createGlContext(int width, int height) {
    deviceContext = platGetDeviceContext(mainWindow);
    if (!configurePixelFormat(deviceContext)) platPostQuitMessage(0);
    renderContext = platCreateRenderContext(deviceContext);
    platMakeCurrent(deviceContext, renderContext);
    resizeProjection(width, height);
}

// The width is not guarded: a minimised window gives an aspect of 0, which GLU
// accepts.
void resizeProjection(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, static_cast<double>(width) / static_cast<double>(height),
                   NEAR_PLANE, FAR_PLANE);
    // Every frame starts by loading the camera into the model-view matrix.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
