// The sky box seen from inside, and the wall slabs it writes.
#include "world/sky_box.h"

#include "world_gl.h"

namespace {

// Each face gets a 2 x 2 image whose red tells the face and whose green and
// blue tell the image quadrant (green: right half, blue: upper half).
constexpr int FACE_SLOTS[6] = {TEX_SKY_BACK, TEX_SKY_FRONT, TEX_SKY_BOTTOM,
                               TEX_SKY_TOP,  TEX_SKY_LEFT,  TEX_SKY_RIGHT};

uint8_t faceRed(int face) { return static_cast<uint8_t>(30 + 40 * face); }

struct Seen {
    int face;    // index into FACE_SLOTS, -1 when the colour is none of them
    bool right;  // image's right half (s > 0.5)
    bool upper;  // image's upper half (t > 0.5)
};

Seen decode(Rgb c) {
    Seen seen{-1, c.g > 128, c.b > 128};
    for (int f = 0; f < 6; f++) {
        if (std::abs(c.r - faceRed(f)) <= 8) seen.face = f;
    }
    return seen;
}

class SkyBoxGl : public WorldGlTest {
protected:
    void makeFaceImages() {
        for (int f = 0; f < 6; f++) {
            const uint8_t r = faceRed(f);
            // Rows bottom first: lower-left, lower-right, upper-left, upper-right.
            setSlot(FACE_SLOTS[f], 2, 2, {r, 0, 0, r, 255, 0, r, 0, 255, r, 255, 255});
        }
    }

    // Looks from the centre of a 20-unit box along (dx, dy, dz) with the given
    // up vector through a 90-degree square view, so one face fills the window.
    void lookFromCentre(float dx, float dy, float dz, float ux, float uy, float uz) {
        glViewport(0, 0, 400, 400);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(90.0, 1.0, 0.5, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 0, dx, dy, dz, ux, uy, uz);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawSkyBoxAndWalls(0, 0, 0, 20, 20, 20);
        glFinish();
    }
};

TEST_F(SkyBoxGl, EachFaceLiesInItsDirectionAndReadsUnmirroredFromInside) {
    makeFaceImages();
    struct View {
        const char* name;
        int face;
        float d[3];
        float up[3];
    };
    // Upright faces are seen with the sky up; the bottom face with the front
    // wall at the top of the screen, the top face with the back wall there.
    const View views[] = {
        {"-z back", 0, {0, 0, -1}, {0, 1, 0}},   {"+z front", 1, {0, 0, 1}, {0, 1, 0}},
        {"-y bottom", 2, {0, -1, 0}, {0, 0, 1}}, {"+y top", 3, {0, 1, 0}, {0, 0, -1}},
        {"-x left", 4, {-1, 0, 0}, {0, 1, 0}},   {"+x right", 5, {1, 0, 0}, {0, 1, 0}},
    };
    for (const View& view : views) {
        lookFromCentre(view.d[0], view.d[1], view.d[2], view.up[0], view.up[1], view.up[2]);
        const struct {
            int x, y;
            bool right, upper;
        } spots[] = {{100, 100, false, false},
                     {300, 100, true, false},
                     {100, 300, false, true},
                     {300, 300, true, true}};
        for (const auto& spot : spots) {
            const Seen seen = decode(pixelAt(spot.x, spot.y));
            EXPECT_EQ(seen.face, view.face) << view.name << " at " << spot.x << "," << spot.y;
            EXPECT_EQ(seen.right, spot.right) << view.name << " at " << spot.x << "," << spot.y;
            EXPECT_EQ(seen.upper, spot.upper) << view.name << " at " << spot.x << "," << spot.y;
        }
    }
}

TEST_F(SkyBoxGl, FaceImagesAreClampedAtTheirEdges) {
    makeFaceImages();
    lookFromCentre(0, 0, -1, 0, 1, 0);
    for (int slot : FACE_SLOTS) {
        glBindTexture(GL_TEXTURE_2D, TextureSet[slot]);
        GLint s = 0, t = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
        EXPECT_EQ(s, GL_CLAMP_TO_EDGE) << "slot " << slot;
        EXPECT_EQ(t, GL_CLAMP_TO_EDGE) << "slot " << slot;
    }
}

void expectSlab(int index, float minX, float maxX, float minY, float maxY, float minZ, float maxZ) {
    const CollisionBox& b = collisionBoxes[index];
    EXPECT_EQ(b.minCorner.x, minX) << "entry " << index;
    EXPECT_EQ(b.maxCorner.x, maxX) << "entry " << index;
    EXPECT_EQ(b.minCorner.y, minY) << "entry " << index;
    EXPECT_EQ(b.maxCorner.y, maxY) << "entry " << index;
    EXPECT_EQ(b.minCorner.z, minZ) << "entry " << index;
    EXPECT_EQ(b.maxCorner.z, maxZ) << "entry " << index;
}

TEST_F(SkyBoxGl, WallSlabsComeFromTheArgumentsWhateverTheTransform) {
    for (int i = 0; i < BOX_COUNT; i++) {
        collisionBoxes[i].minCorner = Vec3(-7, -7, -7);
        collisionBoxes[i].maxCorner = Vec3(7, 7, 7);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(500, 0, 500);
    glRotatef(123.4f, 0, 1, 0);
    glScalef(0.5f, 2, 3);
    drawSkyBoxAndWalls(500, 578.5f, 500, 4000, 1000, 4000);

    const float lowXZ = -1505.0999755859375f, highXZ = 2505.10009765625f;
    const float lowY = 73.4000015258789f, highY = 1083.5999755859375f;
    expectSlab(0, lowXZ, highXZ, lowY, highY, lowXZ, -1494.9000244140625f);
    expectSlab(1, lowXZ, highXZ, lowY, highY, 2494.89990234375f, highXZ);
    expectSlab(2, lowXZ, -1494.9000244140625f, lowY, highY, lowXZ, highXZ);
    expectSlab(3, 2494.89990234375f, highXZ, lowY, highY, lowXZ, highXZ);
    for (int i = 4; i < BOX_COUNT; i++) {
        EXPECT_EQ(collisionBoxes[i].minCorner.x, -7) << "entry " << i << " is not the sky's";
        EXPECT_EQ(collisionBoxes[i].maxCorner.z, 7) << "entry " << i << " is not the sky's";
    }

    // Another box replaces every value of all four slabs.
    glLoadIdentity();
    drawSkyBoxAndWalls(10, 20, 30, 40, 50, 60);
    const float want[4][6] = {{-15.1f, 35.1f, -10.1f, 50.1f, -5.1f, 5.1f},
                              {-15.1f, 35.1f, -10.1f, 50.1f, 54.9f, 65.1f},
                              {-15.1f, -4.9f, -10.1f, 50.1f, -5.1f, 65.1f},
                              {24.9f, 35.1f, -10.1f, 50.1f, -5.1f, 65.1f}};
    for (int i = 0; i < 4; i++) {
        const CollisionBox& b = collisionBoxes[i];
        const float got[6] = {b.minCorner.x, b.maxCorner.x, b.minCorner.y,
                              b.maxCorner.y, b.minCorner.z, b.maxCorner.z};
        for (int k = 0; k < 6; k++) EXPECT_FLOAT_EQ(got[k], want[i][k]) << "entry " << i;
    }
}

}  // namespace
