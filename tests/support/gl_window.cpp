// One real window with the program's pixel format and context for the rendering
// tests, opened through the program's own window code on the SDL platform.
#include "tests/support/gl_window.h"

#include "app/gl_api.h"
#include "app/platform.h"
#include "app/scene_setup.h"
#include "app/window.h"

#include <cstddef>
#include <cstdlib>

namespace {

bool opened = false;
bool usable = false;

// Releases the context the way shut-down does, before the window goes.
void closeTestGlWindow() {
    if (!renderContext) return;
    platMakeCurrent(nullptr, nullptr);
    platDeleteRenderContext(renderContext);
    renderContext = nullptr;
}

}  // namespace

// The window is at least the program's 800 x 600, so any test size up to that
// fits in it; a smaller size only narrows the viewport and projection.
bool openTestGlWindow(int width, int height) {
    if (!opened) {
        opened = true;
        int windowWidth = width > 800 ? width : 800;
        int windowHeight = height > 600 ? height : 600;
        WindowHandle window = openMainWindow("Merrowind GL test", windowWidth, windowHeight, 0,
                                             false, platModuleInstance());
        if (!window) return false;
        attachSceneContext(window);
        std::atexit(closeTestGlWindow);
        usable = renderContext != nullptr && glGetString(GL_VERSION) != nullptr;
    }
    if (!usable || width > clientRect.right || height > clientRect.bottom) return false;
    resizeProjection(width, height);
    return true;
}

std::vector<uint8_t> readBackBuffer(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width > 0 ? width : 0) *
                                static_cast<std::size_t>(height > 0 ? height : 0) * 3);
    if (pixels.empty()) return pixels;
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgb pixelAt(int x, int y) {
    std::vector<uint8_t> pixel = readBackBuffer(x, y, 1, 1);
    return {pixel[0], pixel[1], pixel[2]};
}
