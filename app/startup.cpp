// Start-up, the main loop and shut-down.
#include "app/startup.h"

#include "app/gl_api.h"
#include "app/window.h"
#include "app/window_messages.h"
#include "assets/textures.h"
#include "camera/camera_rig.h"
#include "world/collision_boxes.h"
#include "world/frame.h"
#include "world/height_map.h"

ActiveTextureProc   glActiveTextureARB   = nullptr;
MultiTexCoord2fProc glMultiTexCoord2fARB = nullptr;

namespace {

const char* const WINDOW_TITLE  = "Merrowind - Terrain, Skybox, Go Kart";
const int         WINDOW_WIDTH  = 800;
const int         WINDOW_HEIGHT = 600;
const char* const HEIGHT_FILE   = "texture3/Terrain.raw";

}  // namespace

// The entry point's steps; the platform's main calls this with its module.
int appEntry(InstanceHandle instance) {
    int answer = platMessageBox(nullptr, "Click Yes to go to full screen (Recommended)", "Options",
                                BOX_YESNO | BOX_ICONQUESTION);
    if (answer == BOX_RESULT_NO) fullScreenMode = false;

    WindowHandle window =
        openMainWindow(WINDOW_TITLE, WINDOW_WIDTH, WINDOW_HEIGHT, 0, fullScreenMode, instance);
    // Nothing is released or restored here: there is nothing of ours to release.
    if (!window) return 1;

    setupScene(window);
    return runMessageLoop();
}

// Called by set-up once the rendering context is current.
bool lookUpMultitexture() {
    glActiveTextureARB =
        reinterpret_cast<ActiveTextureProc>(platGetProcAddress("glActiveTextureARB"));
    glMultiTexCoord2fARB =
        reinterpret_cast<MultiTexCoord2fProc>(platGetProcAddress("glMultiTexCoord2fARB"));
    return glActiveTextureARB && glMultiTexCoord2fARB;
}

// Called once, right after the window exists. A failure asks to quit but
// never cuts set-up short: the loop ends at the quit before the first frame.
void setupScene(WindowHandle window) {
    mainWindow = window;
    platGetClientRect(mainWindow, &clientRect);
    createGlContext(clientRect.right, clientRect.bottom);

    if (!lookUpMultitexture()) {
        platMessageBox(mainWindow, "Your current setups does not support multitexturing",
                       "Error", BOX_OK);
        platPostQuitMessage(0);
    }

    readHeightFile(HEIGHT_FILE, TERRAIN_EDGE * TERRAIN_EDGE, heightField);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);

    for (const SceneTexture& texture : SCENE_TEXTURES)
        makeMipmappedTexture(&TextureSet[texture.slot], texture.path);

    theRig.placeEye(490.0f, 35.0f, 275.0f, 491.0f, 34.5f, 275.0f, 0.0f, 1.0f, 0.0f);

    // Heights come from the whole-numbered rows 272 and 277 although the
    // corners stand half a unit further on.
    float a = static_cast<float>(sampleHeight(heightField, 500, 272) + 2);
    float b = static_cast<float>(sampleHeight(heightField, 500, 277) + 2);
    float c = static_cast<float>(sampleHeight(heightField, 505, 277) + 2);
    float d = static_cast<float>(sampleHeight(heightField, 505, 272) + 2);
    theRig.placeKartCorners(500.0f, a, 272.5f, 500.0f, b, 277.5f, 505.0f, c, 277.5f, 505.0f, d,
                            272.5f);

    disableEmptyBoxes();
}

// Messages come first; a frame runs only when the queue is empty. A pending
// quit keeps the queue from reporting empty, so no frame follows it. While the
// window is minimised the loop sleeps until the next message.
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

// Called once after the loop. The window itself stays: the process ends next.
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
