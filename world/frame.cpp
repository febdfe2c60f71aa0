// One frame: camera, terrain, turning sky, kart set on the ground, swap.
#include "world/frame.h"

#include "app/gl_api.h"
#include "app/platform.h"
#include "app/window.h"
#include "camera/camera_rig.h"
#include "world/height_map.h"
#include "world/kart.h"
#include "world/sky_box.h"
#include "world/terrain.h"

float skyAngle = 0.0f;

namespace {

int groundUnder(Vec3 point) { return sampleHeightUnder(heightField, point.x, point.z); }

}  // namespace

// Called by the main loop once per idle pass, after the per-frame control.
void composeFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glLoadIdentity();
    theRig.applyLookAt();

    drawTerrain(heightField);

    // The spin counts frames, not seconds.
    skyAngle += SKY_SPIN_STEP;
    if (skyAngle > 360.0f) {
        skyAngle = 0.0f;
    }
    drawTurnedSkyBox(skyAngle);

    // Only the front edge follows the ground; the sides stay level.
    Vec3* corners = theRig.kartCorners;
    corners[0].y = static_cast<float>(groundUnder(corners[0]) + KART_RIDE_HEIGHT);
    corners[1].y = static_cast<float>(groundUnder(corners[1]) + KART_RIDE_HEIGHT);
    corners[3].y = corners[0].y;
    corners[2].y = corners[1].y;

    // The lift shows from the next frame on: this frame's view is already set.
    const Vec3 eye = theRig.getEye();
    const int lowest = groundUnder(eye) + EYE_CLEARANCE;
    if (static_cast<float>(lowest) > eye.y) {
        Vec3 look = theRig.getLookAt();
        const float newY = static_cast<float>(lowest);
        const float rise = newY - eye.y;
        look.y = look.y + rise;
        theRig.placeEye(eye.x, newY, eye.z, look.x, look.y, look.z, 0.0f, 1.0f, 0.0f);
    }

    drawKartBody(corners[0], corners[1], corners[2], corners[3]);

    platSwapBuffers(deviceContext);
}
