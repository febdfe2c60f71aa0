// The scene's set-up steps after the window exists.
#include "app/scene_setup.h"

#include "app/gl_api.h"
#include "app/packaged_set.h"
#include "app/startup.h"
#include "app/window.h"
#include "assets/textures.h"
#include "camera/camera_rig.h"
#include "world/collision_boxes.h"
#include "world/frame.h"
#include "world/height_map.h"
#include "world/scene_layout.h"

namespace {

// Puts the eye where the program starts and the kart's corners on the ground
// under them. The heights come from the truncated coordinates, as in every
// frame: rows 272 and 277 although the corners stand half a unit further on.
void placeAtStart() {
    theRig.placeEye(START_EYE[0], START_EYE[1], START_EYE[2], START_LOOK_AT[0], START_LOOK_AT[1],
                    START_LOOK_AT[2], 0.0f, 1.0f, 0.0f);
    float y[4];
    for (int i = 0; i < 4; ++i)
        y[i] = static_cast<float>(
            sampleHeightUnder(heightField, START_KART_CORNERS[i][0], START_KART_CORNERS[i][1]) +
            KART_RIDE_HEIGHT);
    const float(&c)[4][2] = START_KART_CORNERS;
    theRig.placeKartCorners(c[0][0], y[0], c[0][1], c[1][0], y[1], c[1][1], c[2][0], y[2], c[2][1],
                            c[3][0], y[3], c[3][1]);
}

}  // namespace

bool attachSceneContext(WindowHandle window) {
    mainWindow = window;
    platGetClientRect(mainWindow, &clientRect);
    createGlContext(clientRect.right, clientRect.bottom);
    return lookUpMultitexture();
}

void loadScene() {
    choosePackagedFiles();
    readHeightFile(assetPath(HEIGHT_FILE), TERRAIN_EDGE * TERRAIN_EDGE, heightField);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);

    makeSceneTextures();
    placeAtStart();
    disableEmptyBoxes();
}
