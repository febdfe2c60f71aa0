// Per-frame steering: mouse look, movement keys with the wall test, the title.
#include "camera/frame_control.h"

#include "app/frame_timer.h"
#include "app/platform.h"
#include "app/window.h"
#include "camera/camera_rig.h"
#include "world/collision_boxes.h"

#include <cstdio>

float pitchTotal = 0.0f;
int collisionFlag = 0;
// The longest text, six values of -3.4e38 at one decimal, is 290 characters.
char titleText[512] = "";
bool steeringFocused = false;

const char* const COLLISION_TITLE = "collision occured, try to move to another direction";

namespace {

const int CENTRE_X = 400;
const int CENTRE_Y = 300;
const float PIXELS_PER_RADIAN = 500.0f;
const float PITCH_LIMIT = 1.0f;
const float DRIVE_SPEED = 50.0f;   // world units per second
const float TURN_DIVISOR = 50.0f;  // drive speed to radians: one radian per second

// An arrow key or its letter; the arrow is asked first.
bool eitherHeld(int arrowKey, int letterKey) {
    return platKeyHeld(arrowKey) || platKeyHeld(letterKey);
}

// Where the eye lands after advance(speed): the same arithmetic, so a free
// destination is exactly the point the move reaches.
Vec3 eyeDestination(const CameraRig& rig, float speed) {
    Vec3 d = unitVector(rig.lookAt - rig.eye);
    return Vec3(rig.eye.x + d.x * speed, rig.eye.y + d.y * speed, rig.eye.z + d.z * speed);
}

// One forward (+speed) or backward (-speed) step, refused when the eye would
// land in a box. Testing the destination rather than the current point means
// the eye can never enter a box, so it can never be trapped in one either.
void stepUnlessBlocked(CameraRig& rig, float speed) {
    if (findCollision(BOX_COUNT, eyeDestination(rig, speed)) != -1) {
        collisionFlag = 1;
        return;
    }
    collisionFlag = 0;
    rig.advance(speed);
}

}  // namespace

void CameraRig::updateRig() {
    mouseLook();
    readMovementKeys();
    tickFrameCounter();
}

// Turns and tilts the view by the cursor's offset from the centre, then re-centres.
void CameraRig::mouseLook() {
    // Warping the cursor while another program has the focus would take the
    // desktop's mouse away from it.
    if (!platHasInputFocus(mainWindow)) {
        steeringFocused = false;
        return;
    }

    int x = CENTRE_X, y = CENTRE_Y;
    platGetCursorPos(&x, &y);
    if (x == CENTRE_X && y == CENTRE_Y) {
        steeringFocused = true;
        return;
    }
    platSetCursorPos(CENTRE_X, CENTRE_Y);

    // The cursor's place on coming back is wherever it was left, not a movement.
    if (!steeringFocused) {
        steeringFocused = true;
        return;
    }

    float turn = static_cast<float>(CENTRE_X - x) / PIXELS_PER_RADIAN;
    float tilt = static_cast<float>(CENTRE_Y - y) / PIXELS_PER_RADIAN;

    // Only the part of the tilt that keeps the total within its bounds is applied,
    // so the view's tilt stays the start tilt minus the total and can never be
    // walked over the vertical, where the pitch axis vanishes.
    float total = pitchTotal - tilt;
    if (total > PITCH_LIMIT) {
        tilt = pitchTotal - PITCH_LIMIT;
        total = PITCH_LIMIT;
    } else if (total < -PITCH_LIMIT) {
        tilt = pitchTotal + PITCH_LIMIT;
        total = -PITCH_LIMIT;
    }
    pitchTotal = total;

    Vec3 axis = unitVector(crossProduct(lookAt - eye, up));
    rotateViewAbout(tilt, axis.x, axis.y, axis.z);
    rotateViewAbout(turn, 0.0f, 1.0f, 0.0f);
    rotateCornersAbout(turn, 0.0f, 1.0f, 0.0f);
}

// Drives and turns with the arrow keys or W, A, S, D and writes the title.
void CameraRig::readMovementKeys() {
    // A long frame (a dragged window, a modal box) must not carry the eye through
    // a 10.2-unit wall slab in one step; a negative one must not run backwards.
    float stepSeconds = frameSeconds;
    if (!(stepSeconds > 0.0f)) stepSeconds = 0.0f;
    if (stepSeconds > MAX_STEP_SECONDS) stepSeconds = MAX_STEP_SECONDS;
    float stepSpeed = stepSeconds * DRIVE_SPEED;
    // Turning moves no point into a box, so it keeps the frame's full time.
    float turnSpeed = frameSeconds * DRIVE_SPEED;

    if (eitherHeld(KEY_UP, KEY_W)) stepUnlessBlocked(*this, stepSpeed);
    if (eitherHeld(KEY_DOWN, KEY_S)) stepUnlessBlocked(*this, -stepSpeed);
    if (eitherHeld(KEY_LEFT, KEY_A)) yawAboutEye(-turnSpeed / TURN_DIVISOR);
    if (eitherHeld(KEY_RIGHT, KEY_D)) yawAboutEye(turnSpeed / TURN_DIVISOR);

    if (collisionFlag == 1)
        std::snprintf(titleText, sizeof titleText, "%s", COLLISION_TITLE);
    else
        std::snprintf(titleText, sizeof titleText,
                      "PosX=%.1f PosY=%.1f PosZ=%.1f ViewX=%.1f ViewY=%.1f ViewZ=%.1f", eye.x,
                      eye.y, eye.z, lookAt.x, lookAt.y, lookAt.z);
    platSetWindowTitle(mainWindow, titleText);
}
