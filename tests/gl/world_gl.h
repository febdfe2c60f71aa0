// Shared pieces of the world rendering tests: a fixture that saves and restores
// the globals and GL state the world code touches, feedback capture, and small
// test textures.
#pragma once

#include "app/gl_api.h"
#include "app/window_messages.h"
#include "assets/textures.h"
#include "camera/camera_rig.h"
#include "tests/support/gl_window.h"
#include "world/collision_boxes.h"
#include "world/frame.h"
#include "world/height_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

// One vertex as GL_3D_COLOR_TEXTURE feedback reports it (window coordinates).
struct FbVertex {
    float x, y, z;
    float r, g, b, a;
    float s, t, p, q;
};

static_assert(sizeof(FbVertex) == 11 * sizeof(GLfloat), "one feedback vertex");

struct FbPrimitive {
    GLenum token;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN, ...
    std::vector<FbVertex> v;
};

// Runs draw in feedback mode and parses what GL reports; overflowed is set when
// the buffer was too small.
template <class Draw>
std::vector<FbPrimitive> captureFeedback(Draw draw, bool* overflowed = nullptr,
                                         size_t capacity = 400000) {
    std::vector<GLfloat> buffer(capacity);
    glFeedbackBuffer(static_cast<GLsizei>(capacity), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    if (overflowed) *overflowed = used < 0;

    std::vector<FbPrimitive> out;
    auto readVertex = [&](size_t& k) {
        FbVertex v;
        std::memcpy(&v, &buffer[k], sizeof v);
        k += 11;
        return v;
    };
    for (size_t k = 0; used > 0 && k < static_cast<size_t>(used);) {
        FbPrimitive prim;
        prim.token = static_cast<GLenum>(buffer[k++]);
        int count = 0;
        switch (prim.token) {
        case GL_POLYGON_TOKEN: count = static_cast<int>(buffer[k++]); break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN: count = 2; break;
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN: count = 1; break;
        case GL_PASS_THROUGH_TOKEN: k++; continue;
        default: ADD_FAILURE() << "unknown feedback token " << prim.token; return out;
        }
        for (int i = 0; i < count; i++) prim.v.push_back(readVertex(k));
        out.push_back(prim);
    }
    return out;
}

// A viewport and projection under which a world point (x, y, z) lands at
// window (x * w / spanX, z * h / spanZ) with depth y / 512 + 0.25, so feedback
// coordinates read back as world coordinates (y from 0 to 255). The modelview
// matrix is left at identity.
inline void useGroundPlaneView(int w, int h, float spanX, float spanZ) {
    glViewport(0, 0, w, h);
    const GLfloat m[16] = {2.0f / spanX, 0, 0, 0,  0,  0,     1.0f / 256, 0, 0,
                           2.0f / spanZ, 0, 0, -1, -1, -0.5f, 1};
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The world height a feedback depth stands for under useGroundPlaneView.
inline float heightFromDepth(float depth) { return (depth - 0.25f) * 512.0f; }

// A w x h RGB texture, rows bottom first, sampled nearest so texel borders stay sharp.
inline GLuint makeTestTexture(int w, int h, const std::vector<uint8_t>& rgb) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

inline bool closeTo(Rgb c, int r, int g, int b, int tolerance = 12) {
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
           std::abs(c.b - b) <= tolerance;
}

// Keeps the world globals and GL state as every other test expects them: the
// height field, textures, render toggles, rig, wall table, sky angle, matrices
// and attribute state are put back after each test.
class WorldGlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openTestGlWindow(800, 600));
        savedField_.assign(heightField, heightField + sizeof heightField);
        std::memcpy(savedTextures_, TextureSet, sizeof TextureSet);
        std::memcpy(savedBoxes_, collisionBoxes, sizeof collisionBoxes);
        savedRig_ = theRig;
        savedDetailOn_ = detailOn;
        savedRepeat_ = detailRepeat;
        savedSkyAngle_ = skyAngle;
        glGetFloatv(GL_PROJECTION_MATRIX, savedProjection_);
        glGetIntegerv(GL_VIEWPORT, savedViewport_);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glColor3f(1, 1, 1);
        glClearColor(0, 0, 0, 0);
        std::memset(heightField, 0, sizeof heightField);
    }

    void TearDown() override {
        glPopAttrib();
        for (GLenum unit : {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
            glActiveTextureARB(unit);
            glMatrixMode(GL_TEXTURE);
            glLoadIdentity();
        }
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(savedProjection_);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glViewport(savedViewport_[0], savedViewport_[1], savedViewport_[2], savedViewport_[3]);
        if (!made_.empty()) glDeleteTextures(static_cast<GLsizei>(made_.size()), made_.data());
        std::memcpy(heightField, savedField_.data(), sizeof heightField);
        std::memcpy(TextureSet, savedTextures_, sizeof TextureSet);
        std::memcpy(collisionBoxes, savedBoxes_, sizeof collisionBoxes);
        theRig = savedRig_;
        detailOn = savedDetailOn_;
        detailRepeat = savedRepeat_;
        skyAngle = savedSkyAngle_;
    }

    // Puts a test texture into a slot; deleted and the slot restored afterwards.
    GLuint setSlot(int slot, int w, int h, const std::vector<uint8_t>& rgb) {
        const GLuint name = makeTestTexture(w, h, rgb);
        made_.push_back(name);
        TextureSet[slot] = name;
        return name;
    }

private:
    std::vector<uint8_t> savedField_;
    GLuint savedTextures_[TEXTURE_SLOT_COUNT];
    CollisionBox savedBoxes_[BOX_COUNT];
    CameraRig savedRig_;
    bool savedDetailOn_ = true;
    int savedRepeat_ = 16;
    float savedSkyAngle_ = 0;
    GLfloat savedProjection_[16];
    GLint savedViewport_[4];
    std::vector<GLuint> made_;
};
