// The three GLU calls the scene makes, for the browser build: the projection,
// the camera transform and mipmap building, computed as Mesa's GLU does them.
//
// WebGL 1 mipmaps only power-of-two textures, so gluBuild2DMipmaps first
// scales an image of any other size to GLU's choice of power of two (the
// scene's own pictures need no scaling; a user's may), then uploads every
// level, each a 2 x 2 average of the one above, rounded as GLU rounds.
#include "app/web/gl_subset/gl_subset.h"

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

// GLU's "nearest" power of two: halves down to 1, but a 3 on the way rounds
// up (768 becomes 1024, 600 becomes 512).
int nearestPower(int value) {
    int power = 1;
    for (;;) {
        if (value == 1) return power;
        if (value == 3) return power * 4;
        value >>= 1;
        power *= 2;
    }
}

// Resamples to a new size by averaging the source texels each target texel
// covers (or taking the nearest where it grows).
std::vector<uint8_t> scaleImage(const uint8_t* src, int width, int height, int channels,
                                int newWidth, int newHeight) {
    std::vector<uint8_t> out(static_cast<size_t>(newWidth) * newHeight * channels);
    for (int y = 0; y < newHeight; ++y) {
        int y0 = y * height / newHeight, y1 = std::max(y0 + 1, (y + 1) * height / newHeight);
        for (int x = 0; x < newWidth; ++x) {
            int x0 = x * width / newWidth, x1 = std::max(x0 + 1, (x + 1) * width / newWidth);
            for (int c = 0; c < channels; ++c) {
                unsigned sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx) sum += src[(sy * width + sx) * channels + c];
                const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
                out[(static_cast<size_t>(y) * newWidth + x) * channels + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return out;
}

// The next mipmap level: each texel the rounded mean of the 2 x 2 (or, once
// a side is 1, 2 x 1) texels above it.
std::vector<uint8_t> halveImage(const std::vector<uint8_t>& src, int width, int height,
                                int channels) {
    const int w = std::max(1, width / 2), h = std::max(1, height / 2);
    const int dx = width > 1 ? 1 : 0, dy = height > 1 ? 1 : 0;
    const unsigned count = static_cast<unsigned>((dx + 1) * (dy + 1));
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                const int sx = x * 2, sy = y * 2;
                unsigned sum = src[(sy * width + sx) * channels + c];
                if (dx) sum += src[(sy * width + sx + 1) * channels + c];
                if (dy) sum += src[((sy + 1) * width + sx) * channels + c];
                if (dx && dy) sum += src[((sy + 1) * width + sx + 1) * channels + c];
                out[(static_cast<size_t>(y) * w + x) * channels + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
    return out;
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
    int w = nearestPower(width), h = nearestPower(height);
    while (largest > 0 && (w > largest || h > largest)) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> level =
        w == width && h == height
            ? std::vector<uint8_t>(bytes, bytes + static_cast<size_t>(w) * h * channels)
            : scaleImage(bytes, width, height, channels, w, h);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int index = 0;; ++index) {
        emscripten_glTexImage2D(target, index, format, w, h, 0, format, type, level.data());
        if (w == 1 && h == 1) break;
        level = halveImage(level, w, h, channels);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    glSubsetMarkBoundComplete();
    return 0;
}

}  // extern "C"
