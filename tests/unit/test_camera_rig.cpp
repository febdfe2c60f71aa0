// Vector math and the camera rig's geometry: the signs, argument orders and axes
// that a slip would quietly flip.
#include "camera/camera_rig.h"
#include "camera/vec3.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

namespace {

const double PI = 3.14159265358979323846;

void expectNear(Vec3 v, double x, double y, double z, double tol = 1e-5) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

double distance(Vec3 a, Vec3 b) {
    double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Rodrigues' rotation in double, the reference for any axis.
Vec3 rotated(Vec3 v, double angle, double ax, double ay, double az) {
    double c = std::cos(angle), s = std::sin(angle);
    double dot = ax * v.x + ay * v.y + az * v.z;
    double cx = ay * v.z - az * v.y, cy = az * v.x - ax * v.z, cz = ax * v.y - ay * v.x;
    return Vec3(float(v.x * c + cx * s + ax * dot * (1 - c)),
                float(v.y * c + cy * s + ay * dot * (1 - c)),
                float(v.z * c + cz * s + az * dot * (1 - c)));
}

TEST(Vec3Math, OperatorsKeepTheirOperandOrder) {
    expectNear(Vec3(3, 2, 1) - Vec3(1, 1, 1), 2, 1, 0, 0);
    expectNear(Vec3(3, 2, 1) + Vec3(1, -1, 4), 4, 1, 5, 0);
    expectNear(Vec3(3, -6, 9) / 3.0f, 1, -2, 3, 0);
    expectNear(crossProduct(Vec3(1, 0, 0), Vec3(0, 1, 0)), 0, 0, 1, 0);
    expectNear(crossProduct(Vec3(0, 1, 0), Vec3(1, 0, 0)), 0, 0, -1, 0);
    // A view along -z with +y up has its right-hand axis along +x.
    expectNear(crossProduct(Vec3(0, 0, -1), Vec3(0, 1, 0)), 1, 0, 0, 0);
    expectNear(crossProduct(Vec3(2, 3, 4), Vec3(5, 6, 7)), -3, 6, -3, 0);
}

TEST(Vec3Math, LengthAndUnitVector) {
    EXPECT_EQ(vectorLength(Vec3(3, 4, 0)), 5.0f);
    EXPECT_EQ(vectorLength(Vec3(0, 0, 0)), 0.0f);
    EXPECT_EQ(vectorLength(Vec3(0, -12, 5)), 13.0f);
    // Summed in double: squares beyond float range still give the float length.
    EXPECT_FLOAT_EQ(vectorLength(Vec3(3e30f, 4e30f, 0)), 5e30f);
    expectNear(unitVector(Vec3(0, 0, -2)), 0, 0, -1, 0);
    float third = float(1 / std::sqrt(3.0));
    expectNear(unitVector(Vec3(1, 1, 1)), third, third, third, 1e-7);

    Vec3 zero = unitVector(Vec3(0, 0, 0));
    EXPECT_TRUE(std::isnan(zero.x) && std::isnan(zero.y) && std::isnan(zero.z));
    Vec3 inf = Vec3(2, -3, 0) / 0.0f;
    EXPECT_EQ(inf.x, INFINITY);
    EXPECT_EQ(inf.y, -INFINITY);
    EXPECT_TRUE(std::isnan(inf.z));
}

TEST(CameraRigGeometry, ConstructorAndPlacementOrder) {
    CameraRig rig;
    expectNear(rig.eye, 0, 0, 0, 0);
    expectNear(rig.lookAt, 0, 1, 0.5, 0);
    expectNear(rig.up, 0, 0, 1, 0);
    for (Vec3 c : rig.kartCorners) expectNear(c, 0, 0, 0, 0);

    rig.placeEye(1, 2, 3, 4, 5, 6, 7, 8, 9);
    expectNear(rig.eye, 1, 2, 3, 0);
    expectNear(rig.lookAt, 4, 5, 6, 0);
    expectNear(rig.up, 7, 8, 9, 0);
    rig.placeKartCorners(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    for (int i = 0; i < 4; ++i) expectNear(rig.kartCorners[i], 3 * i + 1, 3 * i + 2, 3 * i + 3, 0);

    Vec3 eye = rig.getEye();
    Vec3 look = rig.getLookAt();
    expectNear(eye, 1, 2, 3, 0);
    expectNear(look, 4, 5, 6, 0);
    eye.x = 99;
    look.y = 99;
    expectNear(rig.eye, 1, 2, 3, 0);
    expectNear(rig.lookAt, 4, 5, 6, 0);
}

TEST(CameraRigGeometry, RotateAndYawTurnOppositeWays) {
    CameraRig rig;
    rig.placeEye(0, 0, 0, 0, 0, -1, 0, 1, 0);
    rig.rotateViewAbout(float(PI / 2), 0, 1, 0);
    expectNear(rig.lookAt, -1, 0, 0);

    rig.placeEye(0, 0, 0, 0, 0, -1, 0, 1, 0);
    rig.placeKartCorners(1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    rig.yawAboutEye(float(PI / 2));
    expectNear(rig.lookAt, 1, 0, 0);
    expectNear(rig.kartCorners[0], 0, 5, 1);

    // Small angles, off-origin eye: yaw by a equals rotate by -a about +y.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-3, 3);
    for (int i = 0; i < 50; ++i) {
        float angle = u(rng);
        CameraRig a, b;
        a.placeEye(100, 20, -40, 100 + u(rng), 20 + u(rng), -40 + u(rng), 0, 1, 0);
        b = a;
        a.yawAboutEye(angle);
        b.rotateViewAbout(-angle, 0, 1, 0);
        expectNear(a.lookAt, b.lookAt.x, b.lookAt.y, b.lookAt.z, 1e-4);
    }
}

TEST(CameraRigGeometry, RotationMatchesRodriguesForAnyUnitAxis) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int i = 0; i < 200; ++i) {
        Vec3 axis = unitVector(Vec3(u(rng), u(rng), u(rng)));
        float angle = 3 * u(rng);
        Vec3 offset(5 * u(rng), 5 * u(rng), 5 * u(rng));
        CameraRig rig;
        rig.placeEye(1, 2, 3, 1 + offset.x, 2 + offset.y, 3 + offset.z, 0, 1, 0);
        rig.placeKartCorners(1 + offset.x, 2 + offset.y, 3 + offset.z, 0, 0, 0, 1, 2, 3, 5, 5, 5);
        rig.rotateViewAbout(angle, axis.x, axis.y, axis.z);
        Vec3 want = rotated(offset, angle, axis.x, axis.y, axis.z);
        expectNear(rig.lookAt - rig.eye, want.x, want.y, want.z, 1e-4);

        rig.rotateCornersAbout(angle, axis.x, axis.y, axis.z);
        expectNear(rig.kartCorners[0] - rig.eye, want.x, want.y, want.z, 1e-4);
        expectNear(rig.kartCorners[2], 1, 2, 3, 1e-5);  // a corner on the eye stays there
        expectNear(rig.eye, 1, 2, 3, 0);
    }
}

TEST(CameraRigGeometry, CornersTurnAboutTheEyeAndLeaveTheView) {
    CameraRig rig;
    rig.placeEye(10, 0, 10, 11, 0, 10, 0, 1, 0);
    rig.placeKartCorners(12, 3, 10, 10, 1, 12, 0, 0, 0, 0, 0, 0);
    rig.rotateCornersAbout(float(PI), 0, 1, 0);
    expectNear(rig.kartCorners[0], 8, 3, 10);
    expectNear(rig.kartCorners[1], 10, 1, 8);
    expectNear(rig.lookAt, 11, 0, 10, 0);

    // A tilt about a horizontal axis raises the view counter-clockwise about the axis.
    rig.placeEye(0, 0, 0, 1, 0, 0, 0, 1, 0);
    Vec3 axis = unitVector(crossProduct(rig.lookAt - rig.eye, rig.up));
    expectNear(axis, 0, 0, 1, 0);
    rig.rotateViewAbout(0.3f, axis.x, axis.y, axis.z);
    expectNear(rig.lookAt, std::cos(0.3), std::sin(0.3), 0);

    CameraRig same = rig;
    rig.rotateViewAbout(0, axis.x, axis.y, axis.z);
    rig.rotateCornersAbout(0, 0, 1, 0);
    expectNear(rig.lookAt, same.lookAt.x, same.lookAt.y, same.lookAt.z, 1e-6);
}

TEST(CameraRigGeometry, AdvanceAlongAPitchedViewKeepsTheKartLevel) {
    CameraRig rig;
    rig.placeEye(0, 0, 0, 0, -3, 4, 0, 1, 0);
    rig.placeKartCorners(1, 7, 1, -2, 3, 0, 0, 0, 0, 4, 4, 4);
    rig.advance(2);
    expectNear(rig.eye, 0, -1.2, 1.6);
    expectNear(rig.lookAt, 0, -4.2, 5.6);
    expectNear(rig.kartCorners[0], 1, 7, 2.6);
    expectNear(rig.kartCorners[1], -2, 3, 1.6);

    rig.advance(-2);
    expectNear(rig.eye, 0, 0, 0);
    expectNear(rig.lookAt, 0, -3, 4);
    expectNear(rig.kartCorners[0], 1, 7, 1);

    CameraRig before = rig;
    rig.advance(0);
    expectNear(rig.eye, before.eye.x, before.eye.y, before.eye.z, 0);
    expectNear(rig.lookAt, before.lookAt.x, before.lookAt.y, before.lookAt.z, 0);
}

TEST(CameraRigGeometry, MovesAndTurnsKeepTheViewDistance) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1, 1);
    CameraRig rig;
    // Near the origin, where the float grid is fine enough to see a real slip.
    rig.placeEye(1, 2, 3, 2, 1.5f, 3, 0, 1, 0);
    double start = distance(rig.eye, rig.lookAt);
    for (int i = 0; i < 1000; ++i) {
        switch (i % 3) {
        case 0: rig.advance(0.5f * u(rng)); break;
        case 1: rig.yawAboutEye(u(rng)); break;
        default: {
            Vec3 axis = unitVector(Vec3(u(rng), u(rng), u(rng)));
            rig.rotateViewAbout(u(rng), axis.x, axis.y, axis.z);
        }
        }
    }
    EXPECT_NEAR(distance(rig.eye, rig.lookAt), start, 1e-4);
}

}  // namespace
