// Per-frame control on the scripted platform: mouse look with its pitch bound
// and focus rule, the movement keys with the wall test, the title, and a long
// random run that must keep the camera sound.
#include "app/frame_timer.h"
#include "app/window.h"
#include "camera/camera_rig.h"
#include "camera/frame_control.h"
#include "tests/support/fake_platform.h"
#include "world/collision_boxes.h"
#include "world/scene_layout.h"
#include "world/sky_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

const double START_ELEVATION = std::atan2(-0.5, 1.0);  // the start view (1, -0.5, 0)
const double START_DISTANCE = std::sqrt(1.25);
const char* const START_TITLE =
    "PosX=490.0 PosY=35.0 PosZ=275.0 ViewX=491.0 ViewY=34.5 ViewZ=275.0";

double elevation(const CameraRig& rig) {
    Vec3 v = rig.lookAt - rig.eye;
    return std::atan2(double(v.y), std::hypot(double(v.x), double(v.z)));
}

// Grows as the view turns right (from +x towards +z).
double heading(const CameraRig& rig) {
    Vec3 v = rig.lookAt - rig.eye;
    return std::atan2(double(v.z), double(v.x));
}

double viewDistance(const CameraRig& rig) {
    Vec3 v = rig.lookAt - rig.eye;
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

double moved(Vec3 a, Vec3 b) {
    return std::sqrt(double(a.x - b.x) * (a.x - b.x) + double(a.y - b.y) * (a.y - b.y) +
                     double(a.z - b.z) * (a.z - b.z));
}

// The four wall slabs exactly as the sky box writes them each frame, from the
// scene's own box and margin.
void setWalls() {
    const float m = WALL_MARGIN;
    float x0 = SKY_CENTRE[0] - SKY_SIZE[0] / 2, x1 = x0 + SKY_SIZE[0];
    float y0 = SKY_CENTRE[1] - SKY_SIZE[1] / 2, y1 = y0 + SKY_SIZE[1];
    float z0 = SKY_CENTRE[2] - SKY_SIZE[2] / 2, z1 = z0 + SKY_SIZE[2];
    collisionBoxes[0] = {Vec3(x1 + m, y1 + m, z0 + m), Vec3(x0 - m, y0 - m, z0 - m)};
    collisionBoxes[1] = {Vec3(x1 + m, y1 + m, z1 + m), Vec3(x0 - m, y0 - m, z1 - m)};
    collisionBoxes[2] = {Vec3(x0 + m, y1 + m, z1 + m), Vec3(x0 - m, y0 - m, z0 - m)};
    collisionBoxes[3] = {Vec3(x1 + m, y1 + m, z1 + m), Vec3(x1 - m, y0 - m, z0 - m)};
}

bool eyeInWall() { return findCollision(4, theRig.eye) != -1; }

class FrameControl : public ::testing::Test {
protected:
    void SetUp() override {
        savedRig = theRig;
        std::copy(collisionBoxes, collisionBoxes + BOX_COUNT, savedBoxes);
        savedFrameSeconds = frameSeconds;
        reset();
    }
    // The start view and kart on flat ground, no walls yet, steering in focus.
    static void reset() {
        fakeReset();
        theRig.placeEye(490, 35, 275, 491, 34.5f, 275, 0, 1, 0);
        theRig.placeKartCorners(500, 2, 272.5f, 500, 2, 277.5f, 505, 2, 277.5f, 505, 2, 272.5f);
        pitchTotal = 0;
        collisionFlag = 0;
        titleText[0] = '\0';
        frameSeconds = 0;
        steeringFocused = true;
        for (CollisionBox& b : collisionBoxes) b = {Vec3(0, 0, 0), Vec3(0, 0, 0)};
        disableEmptyBoxes();
    }
    void TearDown() override {
        theRig = savedRig;
        std::copy(savedBoxes, savedBoxes + BOX_COUNT, collisionBoxes);
        frameSeconds = savedFrameSeconds;
        pitchTotal = 0;
        collisionFlag = 0;
        steeringFocused = false;
    }
    static void look(int x, int y) {
        fake.cursorX = x;
        fake.cursorY = y;
        theRig.mouseLook();
    }
    static void drive(std::initializer_list<int> keys, float seconds) {
        for (int k : keys) fake.keys[k] = true;
        frameSeconds = seconds;
        theRig.readMovementKeys();
        for (int k : keys) fake.keys[k] = false;
    }
    // The eye, view and corners agree with a turn of the start rig by `turn`
    // (positive to the left) and an elevation of the start tilt plus `tilt`.
    // Tolerances: the look-at point is rounded to the float grid near x = 490
    // (6.1e-5 a step) after each rotation.
    static void expectTurnedAndTilted(const CameraRig& start, double turn, double tilt) {
        EXPECT_NEAR(elevation(theRig), elevation(start) + tilt, 1e-4);
        EXPECT_NEAR(heading(theRig), heading(start) - turn, 1e-4);
        EXPECT_NEAR(viewDistance(theRig), viewDistance(start), 1e-4);
        EXPECT_EQ(moved(theRig.eye, start.eye), 0.0);
        double c = std::cos(turn), s = std::sin(turn);
        for (int i = 0; i < 4; ++i) {
            Vec3 v = start.kartCorners[i] - start.eye;
            EXPECT_NEAR(theRig.kartCorners[i].x, start.eye.x + c * v.x + s * v.z, 1e-4);
            EXPECT_NEAR(theRig.kartCorners[i].y, start.kartCorners[i].y, 1e-4);
            EXPECT_NEAR(theRig.kartCorners[i].z, start.eye.z - s * v.x + c * v.z, 1e-4);
        }
    }

    CameraRig savedRig;
    CollisionBox savedBoxes[BOX_COUNT];
    float savedFrameSeconds = 0;
};

// ---- mouse look -----------------------------------------------------------------

TEST_F(FrameControl, CentredCursorChangesNothing) {
    CameraRig before = theRig;
    look(400, 300);
    EXPECT_EQ(fake.cursorSets, 0);
    EXPECT_EQ(pitchTotal, 0.0f);
    EXPECT_EQ(std::memcmp(&before, &theRig, sizeof theRig), 0);
}

TEST_F(FrameControl, CursorCasesTurnAndTiltByPixelsOverFiveHundred) {
    CameraRig start = theRig;
    look(400, 200);  // up: raises the view, corners stay
    EXPECT_EQ(pitchTotal, -0.2f);
    EXPECT_EQ(fake.cursorX, 400);
    EXPECT_EQ(fake.cursorY, 300);
    EXPECT_EQ(fake.cursorSets, 1);
    expectTurnedAndTilted(start, 0, 0.2);

    reset();
    look(900, 300);  // far right: one radian to the right, view and corners
    EXPECT_EQ(pitchTotal, 0.0f);
    expectTurnedAndTilted(start, -1.0, 0);

    reset();
    look(150, 300);  // left
    expectTurnedAndTilted(start, 0.5, 0);
}

TEST_F(FrameControl, TiltThatEndsOnTheBoundIsAppliedInFull) {
    CameraRig start = theRig;
    pitchTotal = 0.75f;
    look(450, 425);
    EXPECT_EQ(pitchTotal, 1.0f);
    expectTurnedAndTilted(start, -0.1, -0.25);
}

// Past the bound, the tilt stops at the bound but the turn of the same frame
// still happens.
TEST_F(FrameControl, AtTheBoundOnlyTheTiltStops) {
    CameraRig start = theRig;
    pitchTotal = 1.0f;
    look(500, 301);
    EXPECT_EQ(pitchTotal, 1.0f);
    EXPECT_EQ(fake.cursorSets, 1);
    expectTurnedAndTilted(start, -0.2, 0);

    reset();
    pitchTotal = -1.0f;
    look(300, 250);
    EXPECT_EQ(pitchTotal, -1.0f);
    expectTurnedAndTilted(start, 0.2, 0);
}

TEST_F(FrameControl, TiltAcrossTheBoundAppliesOnlyThePartThatFits) {
    CameraRig start = theRig;
    pitchTotal = 0.9f;
    look(400, 400);  // asks for -0.2, only -0.1 fits
    EXPECT_EQ(pitchTotal, 1.0f);
    expectTurnedAndTilted(start, 0, -0.1);

    reset();
    pitchTotal = -0.9f;
    look(380, 200);  // asks for +0.2, only +0.1 fits
    EXPECT_EQ(pitchTotal, -1.0f);
    expectTurnedAndTilted(start, 0.04, 0.1);
}

// Two fast upward flicks then a slower downward move, five times: the view
// must stay within its bounds and keep its tilt tied to the total.
TEST_F(FrameControl, FlickSequenceCannotWalkTheViewPastItsBounds) {
    for (int round = 0; round < 5; ++round) {
        const int moves[3] = {0, 0, 500};  // 300 up, 300 up, 200 down
        for (int y : moves) {
            look(400, y);
            ASSERT_GE(pitchTotal, -1.0f);
            ASSERT_LE(pitchTotal, 1.0f);
            ASSERT_NEAR(elevation(theRig), START_ELEVATION - pitchTotal, 1e-4) << "round " << round;
        }
    }
    // And the same the other way, down to the lower bound and past it.
    for (int round = 0; round < 5; ++round) {
        const int moves[3] = {600, 600, 100};
        for (int y : moves) {
            look(400, y);
            ASSERT_NEAR(elevation(theRig), START_ELEVATION - pitchTotal, 1e-4) << "round " << round;
        }
    }
    EXPECT_GT(elevation(theRig), -1.5707963 + 0.1);
}

TEST_F(FrameControl, WithoutFocusTheCursorIsLeftAlone) {
    CameraRig before = theRig;
    fake.focused = false;
    look(700, 100);
    look(10, 590);
    EXPECT_EQ(fake.cursorSets, 0);
    EXPECT_EQ(fake.cursorX, 10);
    EXPECT_EQ(pitchTotal, 0.0f);
    EXPECT_EQ(std::memcmp(&before, &theRig, sizeof theRig), 0);
    EXPECT_FALSE(steeringFocused);

    // Back in focus: the first frame only re-centres, the next one steers.
    fake.focused = true;
    look(700, 100);
    EXPECT_EQ(fake.cursorSets, 1);
    EXPECT_EQ(fake.cursorX, 400);
    EXPECT_EQ(fake.cursorY, 300);
    EXPECT_EQ(pitchTotal, 0.0f);
    EXPECT_EQ(std::memcmp(&before, &theRig, sizeof theRig), 0);
    look(450, 300);
    expectTurnedAndTilted(before, -0.1, 0);
}

TEST_F(FrameControl, RegainedFocusWithACentredCursorSteersAtOnceAfter) {
    CameraRig before = theRig;
    steeringFocused = false;  // as in the very first frame
    look(400, 300);
    EXPECT_TRUE(steeringFocused);
    look(400, 250);
    expectTurnedAndTilted(before, 0, 0.1);
}

// ---- movement keys ----------------------------------------------------------

TEST_F(FrameControl, ForwardStepScalesWithFrameTime) {
    CameraRig start = theRig;
    drive({KEY_W}, 0.05f);  // 2.5 units along the unit view
    double unit = 2.5 / START_DISTANCE;
    EXPECT_NEAR(theRig.eye.x, 490 + unit, 1e-4);
    EXPECT_NEAR(theRig.eye.y, 35 - 0.5 * unit, 1e-4);
    EXPECT_NEAR(theRig.eye.z, 275, 1e-4);
    EXPECT_NEAR(theRig.lookAt.x - theRig.eye.x, 1.0, 1e-4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(theRig.kartCorners[i].x, start.kartCorners[i].x + unit, 1e-4);
        EXPECT_EQ(theRig.kartCorners[i].y, 2.0f);
    }
    EXPECT_EQ(collisionFlag, 0);

    reset();
    drive({KEY_DOWN}, 0.02f);
    EXPECT_NEAR(moved(theRig.eye, start.eye), 1.0, 1e-4);
    EXPECT_LT(theRig.eye.x, 490);
}

TEST_F(FrameControl, OneStepUsesAtMostATenthOfASecond) {
    const float times[] = {0.1f, 0.25f, 3.0f, 1e6f, FLT_MAX};
    for (float t : times) {
        reset();
        Vec3 eye = theRig.eye;
        drive({KEY_UP}, t);
        EXPECT_NEAR(moved(theRig.eye, eye), 5.0, 1e-4) << t;
    }
    // A negative interval never drives backwards.
    reset();
    drive({KEY_W}, -4.0f);
    EXPECT_EQ(moved(theRig.eye, Vec3(490, 35, 275)), 0.0);
    EXPECT_EQ(std::string(titleText), START_TITLE);
}

// Turning moves nothing into a box, so it keeps the frame's whole time.
TEST_F(FrameControl, TurnKeysTurnOneRadianPerSecond) {
    drive({KEY_D}, 0.5f);
    EXPECT_NEAR(heading(theRig), 0.5, 1e-5);
    EXPECT_NEAR(elevation(theRig), START_ELEVATION, 1e-5);
    drive({KEY_LEFT}, 0.2f);
    EXPECT_NEAR(heading(theRig), 0.3, 1e-5);
    EXPECT_EQ(moved(theRig.eye, Vec3(490, 35, 275)), 0.0);
}

TEST_F(FrameControl, ArrowAndLetterOfAPairCountOnce) {
    drive({KEY_UP, KEY_W}, 0.05f);
    EXPECT_NEAR(moved(theRig.eye, Vec3(490, 35, 275)), 2.5, 1e-4);
    drive({KEY_LEFT, KEY_A}, 0.05f);
    EXPECT_NEAR(heading(theRig), -0.05, 1e-5);
}

TEST_F(FrameControl, OppositeKeysCancel) {
    CameraRig start = theRig;
    drive({KEY_W, KEY_S, KEY_A, KEY_D}, 0.08f);
    EXPECT_LT(moved(theRig.eye, start.eye), 1e-4);
    EXPECT_LT(moved(theRig.lookAt, start.lookAt), 1e-4);
    for (int i = 0; i < 4; ++i) EXPECT_LT(moved(theRig.kartCorners[i], start.kartCorners[i]), 1e-4);
    EXPECT_EQ(collisionFlag, 0);
}

TEST_F(FrameControl, FirstFrameMovesNothingButStillTests) {
    collisionBoxes[10] = {Vec3(495, 0, 280), Vec3(485, 0, 270)};  // around the eye
    drive({KEY_W}, 0.0f);
    EXPECT_EQ(collisionFlag, 1);
    EXPECT_EQ(std::string(titleText), COLLISION_TITLE);
    EXPECT_EQ(moved(theRig.eye, Vec3(490, 35, 275)), 0.0);

    collisionBoxes[10] = {Vec3(-999999.875f, -999999.875f, -999999.875f),
                          Vec3(999999.875f, 999999.875f, 999999.875f)};
    drive({KEY_S}, 0.0f);
    EXPECT_EQ(collisionFlag, 0);
    EXPECT_EQ(std::string(titleText), START_TITLE);
}

TEST_F(FrameControl, TitleEveryFrameAndTheMessageStaysUntilAMoveIsAllowed) {
    theRig.readMovementKeys();
    EXPECT_EQ(std::string(titleText), START_TITLE);
    EXPECT_EQ(std::string(COLLISION_TITLE), "collision occured, try to move to another direction");
    theRig.readMovementKeys();
    ASSERT_EQ(fake.titles.size(), 2u);
    EXPECT_EQ(fake.titles[1], START_TITLE);

    collisionBoxes[0] = {Vec3(600, 0, 300), Vec3(491, 0, 250)};  // just ahead
    drive({KEY_W}, 0.05f);
    EXPECT_EQ(collisionFlag, 1);
    EXPECT_EQ(fake.windowTitle, COLLISION_TITLE);
    theRig.readMovementKeys();     // no key
    drive({KEY_A, KEY_D}, 0.05f);  // turning does not clear it
    EXPECT_EQ(fake.windowTitle, COLLISION_TITLE);
    EXPECT_EQ(fake.titles.size(), 5u);
    drive({KEY_S}, 0.05f);
    EXPECT_EQ(collisionFlag, 0);
    EXPECT_EQ(fake.windowTitle.substr(0, 5), "PosX=");
}

TEST_F(FrameControl, TitleHoldsTheWholeTextForAnyCoordinates) {
    const float values[][6] = {{-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX},
                               {FLT_MAX, -FLT_MAX, NAN, INFINITY, -INFINITY, -NAN},
                               {-1505.1f, 1e-30f, -0.04f, 2505.1f, -99999.95f, 0}};
    for (const auto& v : values) {
        theRig.placeEye(v[0], v[1], v[2], v[3], v[4], v[5], 0, 1, 0);
        theRig.readMovementKeys();
        char expected[1024];
        std::snprintf(expected, sizeof expected,
                      "PosX=%.1f PosY=%.1f PosZ=%.1f ViewX=%.1f ViewY=%.1f ViewZ=%.1f", v[0], v[1],
                      v[2], v[3], v[4], v[5]);
        EXPECT_EQ(std::string(titleText), expected);
        EXPECT_EQ(fake.windowTitle, expected);
        EXPECT_LT(std::strlen(expected), sizeof titleText);
    }
}

TEST_F(FrameControl, UpdateRigLooksThenDrivesThenTicks) {
    resetFrameCounter();
    fake.clock = 1000;
    tickFrameCounter();  // a previous frame
    fake.clock = 1040;
    fake.cursorX = 450;
    fake.keys[KEY_W] = true;
    frameSeconds = 0.02f;  // the previous frame's time drives this one
    theRig.updateRig();
    EXPECT_NEAR(heading(theRig), 0.1, 1e-5);
    EXPECT_NEAR(moved(theRig.eye, Vec3(490, 35, 275)), 1.0, 1e-4);
    EXPECT_FLOAT_EQ(frameSeconds, 0.04f);
    EXPECT_EQ(fake.titles.size(), 1u);
}

// ---- walls --------------------------------------------------------------------

struct Approach {
    Vec3 eye;
    Vec3 towardWall;  // horizontal unit direction into the slab
};

// 40 units inside each wall, heading for it.
const Approach APPROACHES[] = {
    {Vec3(500, 35, -1460), Vec3(0, 0, -1)},
    {Vec3(700, 35, 2460), Vec3(0, 0, 1)},
    {Vec3(-1460, 35, 300), Vec3(-1, 0, 0)},
    {Vec3(2460, 35, 900), Vec3(0.6f, 0, 0.8f)},
};

TEST_F(FrameControl, DrivingIntoAWallAtAnySpeedNeverEntersIt) {
    const float times[] = {0.001f, 0.016f, 0.05f, 0.1f, 0.25f, 2.0f};
    for (const Approach& a : APPROACHES) {
        for (float t : times) {
            for (int backwards = 0; backwards < 2; ++backwards) {
                reset();
                setWalls();
                Vec3 d = backwards ? Vec3(-a.towardWall.x, -0.5f, -a.towardWall.z)
                                   : Vec3(a.towardWall.x, -0.5f, a.towardWall.z);
                theRig.placeEye(a.eye.x, a.eye.y, a.eye.z, a.eye.x + d.x, a.eye.y + d.y,
                                a.eye.z + d.z, 0, 1, 0);
                int key = backwards ? KEY_S : KEY_W;
                int frames = 0;
                while (collisionFlag == 0 && frames < 100000) {
                    drive({key}, t);
                    ++frames;
                    ASSERT_FALSE(eyeInWall()) << "t=" << t << " frame " << frames;
                }
                ASSERT_EQ(collisionFlag, 1) << "t=" << t;
                EXPECT_EQ(fake.windowTitle, COLLISION_TITLE);
                Vec3 stuck = theRig.eye;
                drive({key}, t);  // held on: still refused, still outside
                EXPECT_EQ(moved(theRig.eye, stuck), 0.0);
                EXPECT_FALSE(eyeInWall());

                // The other direction always gets the viewer going again.
                drive({backwards ? KEY_W : KEY_S}, 0.05f);
                EXPECT_EQ(collisionFlag, 0) << "t=" << t;
                EXPECT_NEAR(moved(theRig.eye, stuck), 2.5, 1e-3);
                EXPECT_EQ(fake.windowTitle.substr(0, 5), "PosX=");
            }
        }
    }
}

// In the pocket where two slabs meet, a diagonal view can have both forward
// and backward blocked; turning is never refused and frees the way.
TEST_F(FrameControl, TurningFreesTheViewerInACorner) {
    setWalls();
    theRig.placeEye(-1493, 35, -1493, -1493 + 0.7071f, 34.5f, -1493 - 0.7071f, 0, 1, 0);
    drive({KEY_W}, 0.1f);
    EXPECT_EQ(collisionFlag, 1);
    drive({KEY_S}, 0.1f);
    EXPECT_EQ(collisionFlag, 1);
    EXPECT_EQ(moved(theRig.eye, Vec3(-1493, 35, -1493)), 0.0);

    int turns = 0;
    do {
        drive({KEY_D}, 0.1f);
        drive({KEY_W}, 0.1f);
    } while (collisionFlag == 1 && ++turns < 40);
    EXPECT_EQ(collisionFlag, 0);
    EXPECT_GT(moved(theRig.eye, Vec3(-1493, 35, -1493)), 4.0);
    EXPECT_FALSE(eyeInWall());
}

// ---- a long random run -------------------------------------------------------

// Eye and look-at point are floats, and this run takes them thousands of units
// out (up to y = 8000 when driving while looking up), where one step of the float
// grid is 2.4e-4 to 4.9e-4; every mouse rotation rounds the look-at point to that
// grid again. Over 100,000 frames those roundings wander the view's length and
// its elevation (against the one the pitch total stands for) by up to 0.025 and
// 0.034 rad (measured over 30 seeds), so the slack below covers that and no
// more: a slip in an axis, a sign or the pitch bound moves them by tenths within
// a few frames, and the lower bound still keeps the view 2.7 degrees off the
// vertical.
const double LENGTH_SLACK = 0.06;
const double ELEVATION_SLACK = 0.06;
const double HALF_PI = 1.5707963267948966;

TEST_F(FrameControl, RandomDrivingKeepsTheCameraSound) {
    setWalls();
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> unit(0, 1);
    const int keys[8] = {KEY_UP, KEY_W, KEY_DOWN, KEY_S, KEY_LEFT, KEY_A, KEY_RIGHT, KEY_D};
    int blockedFrames = 0;
    int segmentEnd = 0;
    for (int frame = 0; frame < 100000; ++frame) {
        // Long stretches of one way of driving, so the run crosses the whole
        // arena and meets the walls; odd keys flicker on top.
        if (frame == segmentEnd) {
            segmentEnd = frame + 200 + int(rng() % 2800);
            for (int k : keys) fake.keys[k] = false;
            switch (rng() % 5) {
            case 0: fake.keys[KEY_W] = true; break;
            case 1: fake.keys[KEY_DOWN] = true; break;
            case 2: fake.keys[KEY_UP] = fake.keys[KEY_A] = true; break;
            case 3: fake.keys[KEY_S] = fake.keys[KEY_RIGHT] = true; break;
            default: break;
            }
        }
        for (int k : keys)
            if (unit(rng) < 0.001) fake.keys[k] = !fake.keys[k];
        if (unit(rng) < 0.002) fake.focused = !fake.focused;

        double pick = unit(rng);
        if (pick < 0.5) {
            fake.cursorX = 400, fake.cursorY = 300;
        } else if (pick < 0.95) {
            fake.cursorX = 400 + int(rng() % 61) - 30;
            fake.cursorY = 300 + int(rng() % 61) - 30;
        } else {
            fake.cursorX = int(rng() % 800);
            fake.cursorY = int(rng() % 600);
        }

        pick = unit(rng);
        frameSeconds = pick < 0.01   ? 0.0f
                       : pick < 0.97 ? float(0.001 + 0.05 * unit(rng))
                                     : float(3.0 * unit(rng));

        theRig.mouseLook();
        theRig.readMovementKeys();
        if (collisionFlag == 1) ++blockedFrames;

        // The frame's clearance step over flat ground: eye at least 10 up.
        if (theRig.eye.y < 10.0f) {
            float lift = 10.0f - theRig.eye.y;
            theRig.placeEye(theRig.eye.x, 10.0f, theRig.eye.z, theRig.lookAt.x,
                            theRig.lookAt.y + lift, theRig.lookAt.z, 0, 1, 0);
        }

        const Vec3 e = theRig.eye, l = theRig.lookAt;
        ASSERT_TRUE(std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z) &&
                    std::isfinite(l.x) && std::isfinite(l.y) && std::isfinite(l.z))
            << "frame " << frame;
        ASSERT_NEAR(viewDistance(theRig), START_DISTANCE, LENGTH_SLACK) << "frame " << frame;
        ASSERT_GE(pitchTotal, -1.0f);
        ASSERT_LE(pitchTotal, 1.0f);
        ASSERT_NEAR(elevation(theRig), START_ELEVATION - pitchTotal, ELEVATION_SLACK)
            << "frame " << frame;
        ASSERT_GT(elevation(theRig), -HALF_PI + 0.04) << "frame " << frame;
        ASSERT_FALSE(eyeInWall()) << "frame " << frame;
    }
    // The run must actually have met the walls.
    EXPECT_GT(blockedFrames, 100);
}

}  // namespace
