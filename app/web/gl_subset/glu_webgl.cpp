// The three GLU calls the scene makes, for the browser build: the projection,
// the camera transform and mipmap building, computed as Mesa's GLU does them.
//
// WebGL 1 mipmaps only power-of-two textures, so gluBuild2DMipmaps first
// scales an image of any other size to GLU's choice of power of two (the
// scene's own pictures need no scaling; a user's may), then uploads every
// level, each a 2 x 2 average of the one above, rounded as GLU rounds.
#include "app/web/gl_subset/gl_subset.h"
#include "app/web/gl_subset/mipmap_levels.h"

#include <GL/glu.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Scales v to length 1 (a zero vector stays as it is).
void normalise(double v[3]) {
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0) return;
    for (int i = 0; i < 3; ++i) v[i] /= length;
}

// out = a x b.
void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

extern "C" {

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double radians = fovy / 2.0 * 3.14159265358979323846 / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    // GLU leaves the matrix alone for an aspect of 0 (a minimised window).
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
    const double cotangent = std::cos(radians) / sine;
    GLfloat m[16] = {};
    m[0] = static_cast<GLfloat>(cotangent / aspect);
    m[5] = static_cast<GLfloat>(cotangent);
    m[10] = static_cast<GLfloat>(-(zFar + zNear) / depth);
    m[11] = -1.0f;
    m[14] = static_cast<GLfloat>(-2.0 * zNear * zFar / depth);
    glSubsetMultMatrix(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    double forward[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    double up[3] = {upX, upY, upZ};
    double side[3];
    normalise(forward);
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, up);
    GLfloat m[16] = {};
    for (int i = 0; i < 3; ++i) {
        m[i * 4 + 0] = static_cast<GLfloat>(side[i]);
        m[i * 4 + 1] = static_cast<GLfloat>(up[i]);
        m[i * 4 + 2] = static_cast<GLfloat>(-forward[i]);
    }
    m[15] = 1.0f;
    glSubsetMultMatrix(m);
    glTranslatef(static_cast<GLfloat>(-eyeX), static_cast<GLfloat>(-eyeY),
                 static_cast<GLfloat>(-eyeZ));
}

// Bytes of unsigned RGB or RGBA only: what the scene's textures are.
GLint gluBuild2DMipmaps(GLenum target, GLint, GLint width, GLint height, GLenum format, GLenum type,
                        const void* data) {
    if (width < 1 || height < 1) return GLU_INVALID_VALUE;
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE)
        return GLU_INVALID_ENUM;
    if (!glSubsetLive()) return 0;
    glSubsetKeepUpload(width, height, format, data);
    const int channels = format == GL_RGBA ? 4 : 3;
    GLint largest = 0;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    int w = mipmapNearestPower(width), h = mipmapNearestPower(height);
    while (largest > 0 && (w > largest || h > largest)) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> level =
        w == width && h == height
            ? std::vector<uint8_t>(bytes, bytes + static_cast<size_t>(w) * h * channels)
            : mipmapScale(bytes, width, height, channels, w, h);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int index = 0;; ++index) {
        emscripten_glTexImage2D(target, index, format, w, h, 0, format, type, level.data());
        if (w == 1 && h == 1) break;
        level = mipmapHalve(level, w, h, channels);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    glSubsetMarkBoundComplete();
    return 0;
}

}  // extern "C"
