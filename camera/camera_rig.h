// The viewer's camera and the kart it carries: four corners, eye, look-at, up.
#pragma once

#include "camera/vec3.h"

class CameraRig {
public:
    Vec3 kartCorners[4];
    Vec3 eye;
    Vec3 lookAt;
    Vec3 up;

    // Placeholder values; start-up replaces every one of them.
    CameraRig();

    void placeEye(float eyeX, float eyeY, float eyeZ, float lookX, float lookY, float lookZ,
                  float upX, float upY, float upZ);
    void placeKartCorners(float x0, float y0, float z0, float x1, float y1, float z1, float x2,
                          float y2, float z2, float x3, float y3, float z3);
    // Moves eye, look-at and corners along the view; corners move horizontally only.
    void advance(float speed);
    // Turns lookAt about the unit axis through the eye; positive is counter-clockwise
    // seen from the axis tip (right-handed).
    void rotateViewAbout(float angle, float axisX, float axisY, float axisZ);
    // Turns the four corners about the unit axis through the eye, with the sense of
    // rotateViewAbout.
    void rotateCornersAbout(float angle, float axisX, float axisY, float axisZ);
    // Turns lookAt and corners about the eye's vertical line; a positive angle turns
    // to the viewer's right, the opposite sense of rotateViewAbout about +y.
    void yawAboutEye(float angle);
    // Multiplies the current GL matrix by the camera's look-at transform; the caller
    // resets the matrix first.
    void applyLookAt() const;
    Vec3 getEye() const;
    Vec3 getLookAt() const;

    // Per-frame control, called once per frame by the main loop before the frame is
    // composed: mouse look, movement keys and title, then the frame timer.
    void updateRig();
    void mouseLook();
    void readMovementKeys();
};

extern CameraRig theRig;
