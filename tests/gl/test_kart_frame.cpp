// The kart's shape as GL receives it, and one composed frame: terrain following
// of kart and eye, and the sky's spin.
#include "world/kart.h"

#include "world_gl.h"

#include <cmath>
#include <map>
#include <tuple>

namespace {

// A kart vertex read back from feedback under useGroundPlaneView at 1:1 scale.
struct KartPoint {
    int x, y, z;
    float s, t;
    bool operator<(const KartPoint& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
};

using Surface = std::map<KartPoint, std::pair<float, float>>;  // point -> (s, t)

// Captures the kart and splits it, in drawing order, into top, back and bottom.
std::vector<Surface> drawKartSurfaces(Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3) {
    useGroundPlaneView(2048, 2048, 2048.0f, 2048.0f);
    const auto prims = captureFeedback([&] { drawKartBody(c0, c1, c2, c3); });
    std::vector<Surface> parts(3);
    if (prims.empty() || prims.size() % 3 != 0) {
        ADD_FAILURE() << "expected three quads, got " << prims.size() << " primitives";
        return parts;
    }
    const size_t per = prims.size() / 3;
    for (size_t i = 0; i < prims.size(); i++) {
        for (const FbVertex& v : prims[i].v) {
            const KartPoint p{int(std::lround(v.x)), int(std::lround(heightFromDepth(v.z))),
                              int(std::lround(v.y)), v.s, v.t};
            parts[i / per][p] = {v.s, v.t};
        }
    }
    return parts;
}

void expectSurface(const Surface& got,
                   const std::vector<std::tuple<int, int, int, float, float>>& want,
                   const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (const auto& w : want) {
        const KartPoint key{std::get<0>(w), std::get<1>(w), std::get<2>(w), 0, 0};
        const auto it = got.find(key);
        ASSERT_NE(it, got.end()) << what << ": no vertex at " << std::get<0>(w) << ","
                                 << std::get<1>(w) << "," << std::get<2>(w);
        EXPECT_EQ(it->second.first, std::get<3>(w))
            << what << " s at x " << key.x << " y " << key.y;
        EXPECT_EQ(it->second.second, std::get<4>(w))
            << what << " t at x " << key.x << " y " << key.y;
    }
}

using KartGl = WorldGlTest;

TEST_F(KartGl, OnFlatGroundTopIsOneUnitAboveTheCornersAndBackStandsOnTheFirstEdge) {
    const auto parts =
        drawKartSurfaces(Vec3(10, 2, 10), Vec3(20, 2, 10), Vec3(20, 2, 30), Vec3(10, 2, 30));
    expectSurface(parts[0],
                  {{10, 3, 10, 0, 0}, {20, 3, 10, 1, 0}, {20, 3, 30, 1, 1}, {10, 3, 30, 0, 1}},
                  "top");
    expectSurface(parts[1],
                  {{10, 2, 10, 0, 0}, {20, 2, 10, 1, 0}, {20, 3, 10, 1, 1}, {10, 3, 10, 0, 1}},
                  "back");
    expectSurface(parts[2],
                  {{10, 2, 10, 0, 0}, {20, 2, 10, 1, 0}, {20, 2, 30, 1, 1}, {10, 2, 30, 0, 1}},
                  "bottom");
}

TEST_F(KartGl, BackPanelTakesItsUpperHeightsFromTheFarCorners) {
    const auto parts =
        drawKartSurfaces(Vec3(10, 2, 10), Vec3(20, 4, 10), Vec3(20, 5, 30), Vec3(10, 9, 30));
    expectSurface(parts[0],
                  {{10, 3, 10, 0, 0}, {20, 5, 10, 1, 0}, {20, 6, 30, 1, 1}, {10, 10, 30, 0, 1}},
                  "top");
    expectSurface(parts[1],
                  {{10, 2, 10, 0, 0}, {20, 4, 10, 1, 0}, {20, 6, 10, 1, 1}, {10, 10, 10, 0, 1}},
                  "back");
}

TEST_F(KartGl, LeavesTexturingOffTheColourWhiteAndTheMatrixAsItWas) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3, 4, 5);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glColor3f(0.2f, 0.4f, 0.6f);
    drawKartBody(Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(1, 0, 1), Vec3(0, 0, 1));
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    for (int i = 0; i < 16; i++) EXPECT_EQ(before[i], after[i]) << "matrix element " << i;
}

class FrameGl : public WorldGlTest {
protected:
    void SetUp() override {
        WorldGlTest::SetUp();
        glViewport(0, 0, 64, 64);  // the frame's pixels do not matter here
        skyAngle = 0;
        theRig.placeKartCorners(500, 0, 500, 500, 0, 505, 505, 0, 505, 505, 0, 500);
        theRig.placeEye(490, 50, 502, 500, 50, 502, 0, 1, 0);
    }

    void setGround(int x, int z, uint8_t h) { heightField[x + z * 1024] = h; }

    // The turn of the sky box drawn in one frame, in degrees, read from where
    // its corners land in a straight-down orthographic view of the pivot.
    float drawnSkyTurn() {
        glViewport(0, 0, 2000, 2000);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4000, 4000, -4000, 4000, -10000, 10000);
        glMatrixMode(GL_MODELVIEW);
        theRig.placeEye(500, 1000, 500, 500, 0, 500, 0, 0, -1);
        const auto prims = captureFeedback([] { composeFrame(); });
        glViewport(0, 0, 64, 64);
        // Screen right is +x and screen up is -z; the pivot is the centre.
        std::vector<std::pair<double, double>> corners;
        for (const FbPrimitive& p : prims) {
            for (const FbVertex& v : p.v) {
                const double dx = v.x - 1000.0, dy = v.y - 1000.0;
                if (std::hypot(dx, dy) < 400) continue;  // terrain and kart
                bool known = false;
                for (const auto& c : corners) known |= std::hypot(c.first - dx, c.second - dy) < 1;
                if (!known) corners.push_back({dx, dy});
            }
        }
        EXPECT_EQ(corners.size(), 4u) << "the sky box's four upright edges";
        double cx = 0, cy = 0;
        for (const auto& c : corners) {
            cx += c.first / corners.size();
            cy += c.second / corners.size();
        }
        // Unturned, the box centre sits at (+500, -500) on screen: -45 degrees.
        double turn = std::atan2(cy, cx) * 57.29577951308232 + 45.0;
        if (turn < -180) turn += 360;
        if (turn > 180) turn -= 360;
        return static_cast<float>(turn);
    }
};

TEST_F(FrameGl, KartCornersRideTwoAboveTheGroundUnderTheFrontEdge) {
    composeFrame();
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(theRig.kartCorners[i].y, 2.0f) << "flat ground, corner " << i;

    // Corners 0 and 1 decide; x and z truncate toward zero.
    theRig.placeKartCorners(500.9f, 0, 300.7f, 505.5f, 0, 300.2f, 505.5f, 0, 310, 500.9f, 0, 310);
    setGround(500, 300, 10);
    setGround(501, 301, 77);
    setGround(501, 300, 77);
    setGround(505, 300, 20);
    setGround(506, 300, 77);
    setGround(505, 310, 99);
    setGround(500, 310, 99);
    composeFrame();
    EXPECT_EQ(theRig.kartCorners[0].y, 12.0f);
    EXPECT_EQ(theRig.kartCorners[1].y, 22.0f);
    EXPECT_EQ(theRig.kartCorners[2].y, 22.0f);
    EXPECT_EQ(theRig.kartCorners[3].y, 12.0f);
    EXPECT_EQ(theRig.kartCorners[0].x, 500.9f) << "only heights change";
    EXPECT_EQ(theRig.kartCorners[2].z, 310.0f) << "only heights change";
}

// Where no cast could take the coordinates, the ground is the sample on the
// wrap of their exact truncation, and NaN or an infinity stands on column 0.
TEST_F(FrameGl, KartFindsItsGroundAtAnyCoordinateTheRigCanHold) {
    setGround(0, 0, 7);
    setGround(512, 512, 9);
    const float far[][2] = {{NAN, 9},   {INFINITY, 9}, {-INFINITY, 9},
                            {1e30f, 9}, {3e9f, 11},    {-3e9f, 11}};
    for (const auto& c : far) {
        theRig.placeKartCorners(c[0], 0, c[0], c[0], 0, c[0], 0, 0, 0, 0, 0, 0);
        theRig.placeEye(c[0], 50, c[0], 0, 0, 0, 0, 1, 0);
        composeFrame();
        EXPECT_EQ(theRig.kartCorners[0].y, c[1]) << c[0];
        EXPECT_EQ(theRig.kartCorners[1].y, c[1]) << c[0];
    }
}

TEST_F(FrameGl, EyeIsLiftedToTenAboveTheGroundWithTheViewKept) {
    theRig.placeEye(100.5f, 4, 100.5f, 110, 7.5f, 95, 0, 0, 1);
    composeFrame();
    EXPECT_EQ(theRig.eye.x, 100.5f);
    EXPECT_EQ(theRig.eye.y, 10.0f);
    EXPECT_EQ(theRig.eye.z, 100.5f);
    EXPECT_EQ(theRig.lookAt.x, 110.0f);
    EXPECT_EQ(theRig.lookAt.y, 13.5f);
    EXPECT_EQ(theRig.lookAt.z, 95.0f);
    EXPECT_EQ(theRig.up.x, 0.0f);
    EXPECT_EQ(theRig.up.y, 1.0f);
    EXPECT_EQ(theRig.up.z, 0.0f);

    // Over higher ground the lift follows the sample under the eye.
    setGround(100, 100, 30);
    composeFrame();
    EXPECT_EQ(theRig.eye.y, 40.0f);
    EXPECT_EQ(theRig.lookAt.y, 43.5f);

    // 40 over ground 30 is high enough: nothing changes, not even up.
    theRig.placeEye(100.5f, 40, 100.5f, 110, 41, 95, 0, 0, 1);
    composeFrame();
    EXPECT_EQ(theRig.eye.y, 40.0f);
    EXPECT_EQ(theRig.lookAt.y, 41.0f);
    EXPECT_EQ(theRig.up.z, 1.0f);
}

TEST_F(FrameGl, SkyTurnsATenthOfADegreeEachFrameAndStartsOverAfter3600) {
    EXPECT_NEAR(drawnSkyTurn(), 0.1f, 0.01f) << "the first frame is already turned";
    EXPECT_EQ(skyAngle, 0.1f);
    EXPECT_NEAR(drawnSkyTurn(), 0.2f, 0.01f);

    skyAngle = 0;
    for (int frame = 1; frame <= 3599; frame++) composeFrame();
    EXPECT_NEAR(skyAngle, 359.91f, 0.01f);
    EXPECT_NEAR(drawnSkyTurn(), 0.0f, 0.01f) << "frame 3600 is drawn unturned";
    EXPECT_EQ(skyAngle, 0.0f);
    EXPECT_NEAR(drawnSkyTurn(), 0.1f, 0.01f);
}

}  // namespace
