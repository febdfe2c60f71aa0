// The camera and the kart frame it carries.
#include "camera/camera_rig.h"

#include "app/gl_api.h"

#include <cmath>

CameraRig theRig;

CameraRig::CameraRig() : eye(0, 0, 0), lookAt(0, 1, 0.5f), up(0, 0, 1) {
    for (Vec3& corner : kartCorners) corner = Vec3(0, 0, 0);
}

// Sets eye, look-at point and up vector, in that order.
void CameraRig::placeEye(float eyeX, float eyeY, float eyeZ, float lookX, float lookY, float lookZ,
                         float upX, float upY, float upZ) {
    eye = Vec3(eyeX, eyeY, eyeZ);
    lookAt = Vec3(lookX, lookY, lookZ);
    up = Vec3(upX, upY, upZ);
}

// Sets the four kart corners in outline order.
void CameraRig::placeKartCorners(float x0, float y0, float z0, float x1, float y1, float z1,
                                 float x2, float y2, float z2, float x3, float y3, float z3) {
    kartCorners[0] = Vec3(x0, y0, z0);
    kartCorners[1] = Vec3(x1, y1, z1);
    kartCorners[2] = Vec3(x2, y2, z2);
    kartCorners[3] = Vec3(x3, y3, z3);
}

// The corners take only the horizontal part of the view direction, so a pitched
// view never lifts the kart off its ground heights.
void CameraRig::advance(float speed) {
    Vec3 d = unitVector(lookAt - eye);
    eye.x = eye.x + d.x * speed;
    eye.y = eye.y + d.y * speed;
    eye.z = eye.z + d.z * speed;
    lookAt.x = lookAt.x + d.x * speed;
    lookAt.y = lookAt.y + d.y * speed;
    lookAt.z = lookAt.z + d.z * speed;
    for (Vec3& corner : kartCorners) {
        corner.x = corner.x + d.x * speed;
        corner.z = corner.z + d.z * speed;
    }
}

namespace {

// Rotation of the offset v by the angle whose float cosine, sine and 1 - cos are
// given, about the (unit) axis; accumulated in float term by term.
Vec3 rotateOffset(Vec3 v, float c, float s, float t, float x, float y, float z) {
    Vec3 n;
    n.x = (t * x * x + c) * v.x + (t * x * y - z * s) * v.y + (t * x * z + y * s) * v.z;
    n.y = (t * x * y + z * s) * v.x + (t * y * y + c) * v.y + (t * y * z - x * s) * v.z;
    n.z = (t * x * z - y * s) * v.x + (t * y * z + x * s) * v.y + (t * z * z + c) * v.z;
    return n;
}

}  // namespace

void CameraRig::rotateViewAbout(float angle, float axisX, float axisY, float axisZ) {
    float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    float t = 1.0f - c;
    lookAt = eye + rotateOffset(lookAt - eye, c, s, t, axisX, axisY, axisZ);
}

void CameraRig::rotateCornersAbout(float angle, float axisX, float axisY, float axisZ) {
    float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    float t = 1.0f - c;
    for (Vec3& corner : kartCorners)
        corner = eye + rotateOffset(corner - eye, c, s, t, axisX, axisY, axisZ);
}

void CameraRig::yawAboutEye(float angle) {
    double c = std::cos(static_cast<double>(angle));
    double s = std::sin(static_cast<double>(angle));
    Vec3* points[5] = {&lookAt, &kartCorners[0], &kartCorners[1], &kartCorners[2], &kartCorners[3]};
    for (Vec3* p : points) {
        Vec3 v = *p - eye;
        p->z = static_cast<float>(eye.z + s * v.x + c * v.z);
        p->x = static_cast<float>(eye.x + c * v.x - s * v.z);
    }
}

void CameraRig::applyLookAt() const {
    gluLookAt(eye.x, eye.y, eye.z, lookAt.x, lookAt.y, lookAt.z, up.x, up.y, up.z);
}

Vec3 CameraRig::getEye() const { return eye; }

Vec3 CameraRig::getLookAt() const { return lookAt; }
