// makeMipmappedTexture with a real context: the ten scene textures from files in
// several stored forms, what GL holds afterwards, and a non-power-of-two image
// drawn on a quad and read back. (Failure boxes are counted in the unit tests,
// where boxes are scripted; here a box would be a real modal window.)
#include "app/gl_api.h"
#include "assets/textures.h"
#include "tests/support/gl_window.h"
#include "tests/support/scratch_folder.h"
#include "tests/unit/bmp_builder.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

using namespace bmptest;

namespace {

// A scratch working directory with texture3/ in it; TextureSet, the unpack
// alignment and the texture environment are put back afterwards.
class TexturesGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openTestGlWindow(800, 600));
        std::memcpy(savedSet, TextureSet, sizeof savedSet);
        std::memset(TextureSet, 0, sizeof TextureSet);
        if (glActiveTextureARB) glActiveTextureARB(GL_TEXTURE0_ARB);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &savedAlignment);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &savedEnv);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }

    void TearDown() override {
        std::memcpy(TextureSet, savedSet, sizeof savedSet);
        glPixelStorei(GL_UNPACK_ALIGNMENT, savedAlignment);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, savedEnv);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    GLuint savedSet[TEXTURE_SLOT_COUNT];
    GLint savedAlignment = 4, savedEnv = GL_MODULATE;
    ScratchFolder folder;
};

// One solid-coloured picture, stored in the given form.
Bytes solidFile(const std::string& form, Rgb3 c, int w, int h) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    const uint32_t rgb = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
    if (form == "24" || form == "core24") {
        s.core = form == "core24";
        s.pixels = packRows(24, w, h, [&](int, int) { return rgb; });
    } else if (form == "8" || form == "packed8") {
        s.bpp = 8;
        s.fileHeader = form == "8";
        s.palette = {{1, 2, 3}, c};
        s.pixels = packRows(8, w, h, [](int, int) { return 1u; });
    } else if (form == "4") {
        s.bpp = 4;
        s.palette = {{1, 2, 3}, {4, 5, 6}, c};
        s.pixels = packRows(4, w, h, [](int, int) { return 2u; });
    } else if (form == "1") {
        s.bpp = 1;
        s.palette = {{1, 2, 3}, c};
        s.pixels = packRows(1, w, h, [](int, int) { return 1u; });
    } else if (form == "555") {  // channels must be 0 or 255 to survive 5 bits
        s.bpp = 16;
        s.pixels = packRows(16, w, h, [&](int, int) {
            return uint32_t((c.r ? 31 : 0) << 10 | (c.g ? 31 : 0) << 5 | (c.b ? 31 : 0));
        });
    } else if (form == "bitfields32") {
        s.bpp = 32;
        s.compression = 3;
        s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
        s.pixels = packRows(32, w, h, [&](int, int) {
            return uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16;
        });
    } else if (form == "rle8" || form == "rle4") {
        const bool four = form == "rle4";
        s.bpp = four ? 4 : 8;
        s.compression = four ? 2 : 1;
        s.palette = {{1, 2, 3}, c};
        for (int y = 0; y < h; ++y) {
            s.pixels.push_back(uint8_t(w));
            s.pixels.push_back(four ? 0x11 : 0x01);
            s.pixels.push_back(0);
            s.pixels.push_back(0);
        }
        s.pixels.push_back(0);
        s.pixels.push_back(1);
    }
    return buildBmp(s);
}

struct SceneFile {
    int slot;
    const char* path;
    const char* form;
    Rgb3 colour;
};

// The load order of start-up, each file in a different stored form. This test
// makes them in this order itself; the program's own order is checked below.
const SceneFile SCENE[] = {
    {TEX_TERRAIN, "texture3/Terrain.bmp", "24", {200, 30, 40}},
    {TEX_DETAIL, "texture3/Detail.bmp", "8", {10, 220, 30}},
    {TEX_SKY_BACK, "texture3/Back.bmp", "rle8", {30, 40, 250}},
    {TEX_SKY_FRONT, "texture3/Front.bmp", "4", {250, 250, 10}},
    {TEX_SKY_BOTTOM, "texture3/Bottom.bmp", "core24", {90, 0, 200}},
    {TEX_SKY_TOP, "texture3/Top.bmp", "packed8", {0, 128, 128}},
    {TEX_SKY_LEFT, "texture3/Left.bmp", "555", {255, 0, 255}},
    {TEX_SKY_RIGHT, "texture3/Right.bmp", "bitfields32", {17, 34, 51}},
    {TEX_KART_TOP, "texture3/NSXtop.bmp", "rle4", {140, 70, 35}},
    {TEX_KART_BACK, "texture3/NSXback.bmp", "1", {60, 160, 90}},
};

GLint levelParameter(int level, GLenum name) {
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &v);
    return v;
}

// Expects every texel of the bound texture's level 0 to be the solid colour c.
// A 5 x 3 picture (15-byte rows, so the unpack alignment matters) is scaled to
// powers of two, and a solid picture stays solid through that.
void expectSolidLevel0(Rgb3 c) {
    const GLint w0 = levelParameter(0, GL_TEXTURE_WIDTH), h0 = levelParameter(0, GL_TEXTURE_HEIGHT);
    ASSERT_GT(w0, 0);
    ASSERT_GT(h0, 0);
    std::vector<uint8_t> level0(size_t(w0) * size_t(h0) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level0.data());
    std::vector<uint8_t> want;
    for (GLint i = 0; i < w0 * h0; ++i) want.insert(want.end(), {c.r, c.g, c.b});
    EXPECT_EQ(level0, want);
}

TEST_F(TexturesGl, TenSceneTexturesAreMadeInLoadOrderWithTheirPictures) {
    for (const SceneFile& f : SCENE)
        ASSERT_TRUE(writeFile(f.path, solidFile(f.form, f.colour, 5, 3)));

    GLuint previous = 0;
    for (const SceneFile& f : SCENE) {
        SCOPED_TRACE(f.path);
        EXPECT_TRUE(makeMipmappedTexture(&TextureSet[f.slot], f.path));
        EXPECT_GT(TextureSet[f.slot], previous);  // a new name each call
        previous = TextureSet[f.slot];
    }
    for (int slot = 4; slot <= 10; ++slot) EXPECT_EQ(TextureSet[slot], 0u) << slot;

    // What each call left as global state.
    GLint alignment = 0, env = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(env, GL_MODULATE);

    for (const SceneFile& f : SCENE) {
        SCOPED_TRACE(f.path);
        ASSERT_TRUE(glIsTexture(TextureSet[f.slot]));
        glBindTexture(GL_TEXTURE_2D, TextureSet[f.slot]);
        GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_EQ(magFilter, GL_LINEAR);
        EXPECT_EQ(wrapS, GL_REPEAT);
        EXPECT_EQ(wrapT, GL_REPEAT);
        expectSolidLevel0(f.colour);
    }
}

// The files opened in texture3/ since the watch began, in order; the presence
// test and the loader each open a file, and the pair counts once.
std::vector<std::string> openedInOrder(int watch) {
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = read(watch, buffer, sizeof buffer)) > 0)
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = std::string("texture3/") + event->name;
            if (names.empty() || names.back() != name) names.push_back(name);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    return names;
}

// The program's own table against this test's: every file has a colour of its
// own, so a file in another's slot shows up as a wrong colour. The order is the
// one the program's loader opens the files in, as the kernel saw it, so it does
// not rest on how the GL hands out texture names.
TEST_F(TexturesGl, SceneTableMakesEachFileIntoItsOwnSlotInLoadOrder) {
    std::vector<std::string> loadOrder;
    for (const SceneFile& f : SCENE) {
        ASSERT_TRUE(writeFile(f.path, solidFile(f.form, f.colour, 5, 3)));
        loadOrder.push_back(f.path);
    }
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, "texture3", IN_OPEN), 0);
    makeSceneTextures();
    EXPECT_EQ(openedInOrder(watch), loadOrder);
    close(watch);
    GLuint previous = 0;
    for (const SceneFile& f : SCENE) {
        SCOPED_TRACE(f.path);
        EXPECT_GT(TextureSet[f.slot], previous);
        previous = TextureSet[f.slot];
        ASSERT_TRUE(glIsTexture(TextureSet[f.slot]));
        glBindTexture(GL_TEXTURE_2D, TextureSet[f.slot]);
        expectSolidLevel0(f.colour);
    }
}

// 300 x 200, quadrants bottom-left red, bottom-right green, top-left blue,
// top-right white: scaled by the mipmap builder, drawn on a quad and read back.
TEST_F(TexturesGl, NonPowerOfTwoImageIsScaledMipmappedAndDrawnUpright) {
    const int w = 300, h = 200;
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.pixels = packRows(24, w, h, [&](int x, int y) {
        const bool right = x >= w / 2, top = y >= h / 2;
        return top ? (right ? 0xFFFFFFu : 0x0000FFu) : (right ? 0x00FF00u : 0xFF0000u);
    });
    ASSERT_TRUE(writeFile("texture3/Odd.bmp", buildBmp(s)));
    GLuint name = 0;
    ASSERT_TRUE(makeMipmappedTexture(&name, "texture3/Odd.bmp"));
    ASSERT_NE(name, 0u);

    glBindTexture(GL_TEXTURE_2D, name);
    const GLint width0 = levelParameter(0, GL_TEXTURE_WIDTH);
    const GLint height0 = levelParameter(0, GL_TEXTURE_HEIGHT);
    ASSERT_GT(width0, 0);
    ASSERT_GT(height0, 0);
    EXPECT_EQ(width0 & (width0 - 1), 0) << width0;  // scaled to powers of two
    EXPECT_EQ(height0 & (height0 - 1), 0) << height0;
    int top = 0;
    while ((width0 >> top) > 1 || (height0 >> top) > 1) ++top;
    EXPECT_EQ(levelParameter(top, GL_TEXTURE_WIDTH), 1);  // the whole chain is there
    EXPECT_EQ(levelParameter(top, GL_TEXTURE_HEIGHT), 1);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, 300, 200);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(1, 0);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(0, 1);
    glEnd();
    glFinish();
    const Rgb bottomLeft = pixelAt(75, 50), bottomRight = pixelAt(225, 50);
    const Rgb topLeft = pixelAt(75, 150), topRight = pixelAt(225, 150);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();

    auto near = [](Rgb c, int r, int g, int b) {
        return std::abs(c.r - r) <= 4 && std::abs(c.g - g) <= 4 && std::abs(c.b - b) <= 4;
    };
    EXPECT_TRUE(near(bottomLeft, 255, 0, 0))
        << int(bottomLeft.r) << "," << int(bottomLeft.g) << "," << int(bottomLeft.b);
    EXPECT_TRUE(near(bottomRight, 0, 255, 0))
        << int(bottomRight.r) << "," << int(bottomRight.g) << "," << int(bottomRight.b);
    EXPECT_TRUE(near(topLeft, 0, 0, 255))
        << int(topLeft.r) << "," << int(topLeft.g) << "," << int(topLeft.b);
    EXPECT_TRUE(near(topRight, 255, 255, 255))
        << int(topRight.r) << "," << int(topRight.g) << "," << int(topRight.b);
}

}  // namespace
