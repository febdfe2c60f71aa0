// Start-up, the main loop and shut-down.
#include "app/startup.h"

#include "app/gl_api.h"
#include "app/scene_setup.h"
#include "app/window.h"
#include "app/window_messages.h"
#include "camera/camera_rig.h"
#include "world/frame.h"

ActiveTextureProc glActiveTextureARB = nullptr;
MultiTexCoord2fProc glMultiTexCoord2fARB = nullptr;

namespace {

const char* const WINDOW_TITLE = "Merrowind - Terrain, Skybox, Go Kart";
const int WINDOW_WIDTH = 800;
const int WINDOW_HEIGHT = 600;

}  // namespace

int appEntry(InstanceHandle instance) {
    int answer = platMessageBox(nullptr, "Click Yes to go to full screen (Recommended)", "Options",
                                BOX_YESNO | BOX_ICONQUESTION);
    // Only an explicit Yes switches the display: a question that could not be
    // shown (0) must not change the user's screen unasked.
    if (answer != BOX_RESULT_YES) fullScreenMode = false;

    WindowHandle window =
        openMainWindow(WINDOW_TITLE, WINDOW_WIDTH, WINDOW_HEIGHT, 0, fullScreenMode, instance);
    // Nothing is released or restored here: there is nothing of ours to release.
    if (!window) return 1;

    setupScene(window);
    return runMessageLoop();
}

bool lookUpMultitexture() {
    glActiveTextureARB =
        reinterpret_cast<ActiveTextureProc>(platGetProcAddress("glActiveTextureARB"));
    glMultiTexCoord2fARB =
        reinterpret_cast<MultiTexCoord2fProc>(platGetProcAddress("glMultiTexCoord2fARB"));
    return glActiveTextureARB && glMultiTexCoord2fARB;
}

// A failure asks to quit but never cuts set-up short: the loop ends at the
// quit before the first frame.
void setupScene(WindowHandle window) {
    if (!attachSceneContext(window)) {
        platMessageBox(mainWindow, "Your current setups does not support multitexturing", "Error",
                       BOX_OK);
        platPostQuitMessage(0);
    }
    loadScene();
}

// A pending quit keeps the queue from reporting empty, so no frame follows it.
int runMessageLoop() {
    PlatMessage message = {};
    for (;;) {
        if (platPeekMessage(&message)) {
            if (message.message == MSG_QUIT) break;
            platTranslateMessage(&message);
            platDispatchMessage(&message);
        } else if (windowMinimised) {
            platWaitMessage();
        } else {
            theRig.updateRig();
            composeFrame();
        }
    }
    releaseAll();
    return static_cast<int>(message.wParam);
}

// The window itself stays: the process ends next.
void releaseAll() {
    if (renderContext) {
        platMakeCurrent(nullptr, nullptr);
        platDeleteRenderContext(renderContext);
    }
    if (deviceContext) platReleaseDeviceContext(mainWindow, deviceContext);
    // Restored even when the switch at start-up failed: asking costs nothing.
    if (fullScreenMode) {
        platRestoreDisplayMode();
        platShowCursor(true);
    }
    platUnregisterWindowClass(WINDOW_CLASS_NAME, appInstance);
}
