// The window procedure and the render settings the user toggles.
#include "app/window_messages.h"

#include "app/gl_api.h"
#include "app/window.h"
#include "world/terrain.h"

bool detailOn = true;
int detailRepeat = DETAIL_REPEAT_START;
bool filledPolygons = true;
bool windowMinimised = false;

namespace {

// Doubling modulo 128 walks 16, 32, 64, 1, 2, 4, 8 and back to 16.
int nextDetailRepeat(int repeat) {
    int stepped = (repeat * 2) % 128;
    return stepped == 0 ? 1 : stepped;
}

}  // namespace

intptr_t handleWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
    switch (message) {
    case MSG_SIZE: {
        windowMinimised = wParam == SIZE_KIND_MINIMIZED;
        // The full-screen popup follows its size too: where the display server
        // only emulates the 800 x 600 mode (Wayland, Xwayland), the window is
        // given the output's size, in its own pixels, after it is shown. On a
        // real mode switch the size stays 800 x 600 and nothing changes.
        int width = static_cast<int>(static_cast<uint32_t>(lParam) & 0xFFFF);
        int height = static_cast<int>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
        resizeProjection(width, height);
        platGetClientRect(window, &clientRect);
        break;
    }
    case MSG_PAINT:
        platBeginPaint(window);
        platEndPaint(window);
        break;
    case MSG_CLOSE: platPostQuitMessage(0); break;
    case MSG_KEYDOWN:
        if (wParam == KEY_ESCAPE) {
            platPostQuitMessage(0);
        } else if (wParam == KEY_SPACE) {
            detailRepeat = nextDetailRepeat(detailRepeat);
        }
        break;
    case MSG_LBUTTONDOWN: detailOn = !detailOn; break;
    case MSG_RBUTTONDOWN:
        filledPolygons = !filledPolygons;
        glPolygonMode(GL_FRONT_AND_BACK, filledPolygons ? GL_FILL : GL_LINE);
        break;
    default: break;
    }
    return platDefWindowProc(window, message, wParam, lParam);
}
