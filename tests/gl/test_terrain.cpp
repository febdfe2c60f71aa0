// The terrain strip as GL receives it, and what the detail toggles and the
// polygon mode do to the drawn ground.
#include "world/terrain.h"

#include "world_gl.h"

#include <cmath>

namespace {

struct GridVertex {
    int x, h, z;
    float s, t;
};

// The map's own sample at a grid point, with the tiling wrap the strip relies on.
int mapAt(int x, int z) { return heightField[(x % 1024) + (z % 1024) * 1024]; }

// A height field in which neighbouring samples differ, so a vertex sent at the
// wrong place or with the wrong sample shows.
void fillScrambledHeights() {
    for (uint32_t i = 0; i < 1024u * 1024u; i++) {
        heightField[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
    }
}

// Recovers the strip's vertex sequence from its feedback triangles: triangle i
// of a strip reports vertex i + 2 last (odd ones swap their first two).
std::vector<GridVertex> stripVertices(const std::vector<FbPrimitive>& prims) {
    std::vector<GridVertex> out;
    auto toGrid = [](const FbVertex& v) {
        return GridVertex{static_cast<int>(std::lround(v.x)),
                          static_cast<int>(std::lround(heightFromDepth(v.z))),
                          static_cast<int>(std::lround(v.y)), v.s, v.t};
    };
    for (size_t i = 0; i < prims.size(); i++) {
        if (prims[i].token != GL_POLYGON_TOKEN || prims[i].v.size() != 3) {
            ADD_FAILURE() << "primitive " << i << " is not a triangle";
            return out;
        }
        if (i == 0) {
            out.push_back(toGrid(prims[0].v[0]));
            out.push_back(toGrid(prims[0].v[1]));
        }
        out.push_back(toGrid(prims[i].v[2]));
    }
    return out;
}

void expectVertex(const GridVertex& v, int x, int z, const char* what) {
    EXPECT_EQ(v.x, x) << what;
    EXPECT_EQ(v.z, z) << what;
    EXPECT_EQ(v.h, mapAt(x, z)) << what;
}

class TerrainGl : public WorldGlTest {
protected:
    // Flat ground seen straight from above, filling the 800 x 600 viewport with
    // x 0..1040 and z 0..1024.
    void drawFromAbove() {
        useGroundPlaneView(800, 600, 1040.0f, 1024.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawTerrain(heightField);
        glFinish();
    }

    // Colour changes along the window row y between x = 0 and 779 (the map's
    // 1024 units, leaving out the wrapped 65th column).
    int changesAlongRow(int y) {
        const std::vector<uint8_t> row = readBackBuffer(0, y, 780, 1);
        int changes = 0;
        for (int x = 1; x < 780; x++) {
            const int d = std::abs(row[x * 3] - row[(x - 1) * 3]);
            if (d > 60) changes++;
        }
        return changes;
    }

    // Base and detail images for the pixel tests: a mid-grey base that the
    // doubling combiner turns into full white or black under a checker detail.
    void useGreyBaseAndCheckerDetail() {
        setSlot(TEX_TERRAIN, 1, 1, {128, 128, 128});
        setSlot(TEX_DETAIL, 2, 2, {255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 255});
    }
};

TEST_F(TerrainGl, OneStripOfColumnsWithMapHeightsAndStretchedTexCoords) {
    fillScrambledHeights();
    detailOn = true;
    detailRepeat = 16;
    useGroundPlaneView(2048, 2048, 2048.0f, 2048.0f);

    bool overflowed = true;
    const auto prims = captureFeedback([] { drawTerrain(heightField); }, &overflowed);
    ASSERT_FALSE(overflowed);
    // One unbroken strip: 8,448 triangles are 8,450 vertices; separate strips
    // per column would give 65 x 128.
    ASSERT_EQ(prims.size(), 8448u);
    const auto v = stripVertices(prims);
    ASSERT_EQ(v.size(), 8450u);

    expectVertex(v[0], 16, 0, "first vertex");
    expectVertex(v[1], 0, 0, "second vertex");
    expectVertex(v[128], 16, 1024, "top of the first column");
    expectVertex(v[129], 0, 1024, "top of the first column");
    expectVertex(v[130], 16, 1024, "second column starts falling");
    expectVertex(v[131], 32, 1024, "second column starts falling");
    expectVertex(v[259], 32, 0, "bottom of the second column");
    expectVertex(v[8320], 1040, 0, "the 65th column rises");
    expectVertex(v[8321], 1024, 0, "the 65th column rises");
    expectVertex(v[8448], 1040, 1024, "last but one vertex");
    expectVertex(v[8449], 1024, 1024, "last vertex");
    EXPECT_EQ(v[8448].h, mapAt(16, 0));
    EXPECT_EQ(v[8449].h, mapAt(0, 0));

    int wrongHeight = 0, wrongCoord = 0, offGrid = 0, lastColumn = 0;
    for (const GridVertex& g : v) {
        if (g.x % 16 || g.z % 16 || g.x < 0 || g.x > 1040 || g.z < 0 || g.z > 1024) {
            offGrid++;
            continue;
        }
        if (g.h != mapAt(g.x, g.z)) wrongHeight++;
        if (g.s != g.x / 1024.0f || g.t != -g.z / 1024.0f) wrongCoord++;
        if (g.x == 1040) {
            lastColumn++;
            EXPECT_EQ(g.s, 1.015625f);
        }
        if (g.x == 0 && g.z == 1024) {
            EXPECT_EQ(g.s, 0.0f);
            EXPECT_EQ(g.t, -1.0f);
        }
    }
    EXPECT_EQ(offGrid, 0);
    EXPECT_EQ(wrongHeight, 0);
    EXPECT_EQ(wrongCoord, 0);
    EXPECT_EQ(lastColumn, 65);
}

TEST_F(TerrainGl, NullMapDrawsNothing) {
    useGroundPlaneView(2048, 2048, 2048.0f, 2048.0f);
    const auto prims = captureFeedback([] { drawTerrain(nullptr); });
    EXPECT_TRUE(prims.empty());
}

TEST_F(TerrainGl, LeavesTexturingOffOnBothUnitsWithUnitZeroActive) {
    useGreyBaseAndCheckerDetail();
    for (bool on : {true, false}) {
        detailOn = on;
        drawFromAbove();
        GLint active = 0, mode = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(active, GL_TEXTURE0_ARB) << "detail " << on;
        EXPECT_EQ(mode, GL_MODELVIEW) << "detail " << on;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit 0, detail " << on;
        glActiveTextureARB(GL_TEXTURE1_ARB);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit 1, detail " << on;
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

TEST_F(TerrainGl, BaseImageCoversTheMapOnceWithTRunningNegativeAlongZ) {
    // Texel rows bottom first: red green / blue yellow.
    setSlot(TEX_TERRAIN, 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0});
    // Mid-grey detail, doubled, leaves the base as it is.
    setSlot(TEX_DETAIL, 1, 1, {128, 128, 128});
    // Window pixel for a world point: x * 800 / 1040, z * 600 / 1024.
    auto at = [](float x, float z) { return pixelAt(int(x * 800 / 1040), int(z * 600 / 1024)); };
    for (bool on : {true, false}) {
        detailOn = on;
        drawFromAbove();
        // t = -z / 1024 wraps into the upper texel row over the near half of the map.
        EXPECT_TRUE(closeTo(at(256, 256), 0, 0, 255)) << "near left is blue, detail " << on;
        EXPECT_TRUE(closeTo(at(768, 256), 255, 255, 0)) << "near right is yellow, detail " << on;
        EXPECT_TRUE(closeTo(at(256, 768), 255, 0, 0)) << "far left is red, detail " << on;
        EXPECT_TRUE(closeTo(at(768, 768), 0, 255, 0)) << "far right is green, detail " << on;
        // The 65th column starts the image over.
        EXPECT_TRUE(closeTo(at(1034, 256), 0, 0, 255)) << "wrapped column is blue, detail " << on;
    }
}

TEST_F(TerrainGl, DetailDoublesTheBaseAndFollowsItsSwitchAndRepeat) {
    useGreyBaseAndCheckerDetail();

    detailOn = false;
    detailRepeat = 64;
    drawFromAbove();
    EXPECT_EQ(changesAlongRow(300), 0);
    EXPECT_TRUE(closeTo(pixelAt(400, 300), 128, 128, 128)) << "base alone";

    detailOn = true;
    detailRepeat = 1;
    drawFromAbove();
    // Stretched once: one checker border across the map.
    EXPECT_LE(changesAlongRow(150), 2);
    EXPECT_GE(changesAlongRow(150), 1);
    // Doubling: grey times white is full white, grey times black is black.
    EXPECT_TRUE(closeTo(pixelAt(200, 450), 255, 255, 255)) << "lit detail square";
    EXPECT_TRUE(closeTo(pixelAt(200, 150), 0, 0, 0)) << "dark detail square";

    detailRepeat = 16;
    drawFromAbove();
    const int at16 = changesAlongRow(150);
    detailRepeat = 64;
    drawFromAbove();
    const int at64 = changesAlongRow(150);
    // Two borders per repeat across the 1024 units.
    EXPECT_NEAR(at16, 32, 3);
    EXPECT_NEAR(at64, 128, 12);
}

TEST_F(TerrainGl, LineModeDrawsTheStripAsOutlines) {
    setSlot(TEX_TERRAIN, 1, 1, {255, 255, 255});
    setSlot(TEX_DETAIL, 1, 1, {128, 128, 128});
    detailOn = true;
    auto litShare = [] {
        const std::vector<uint8_t> px = readBackBuffer(0, 0, 780, 600);
        size_t lit = 0;
        for (size_t i = 0; i < px.size(); i += 3) lit += px[i] > 100;
        return double(lit) / (px.size() / 3);
    };

    drawFromAbove();
    EXPECT_GT(litShare(), 0.99);

    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    drawFromAbove();
    const double outlined = litShare();
    EXPECT_GT(outlined, 0.05);
    EXPECT_LT(outlined, 0.7);
}

}  // namespace
