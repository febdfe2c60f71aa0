// The GL subset's three matrix stacks: model-view, projection, and one
// texture stack per texture unit, as OpenGL 1.1 keeps them. Matrices are
// column-major, as GL hands them over.
#include "app/web/gl_subset/gl_subset.h"

#include <cmath>
#include <cstring>

namespace {

const int STACK_DEPTH = 32;  // GL guarantees 32 model-view entries and 2 of the others

struct MatrixStack {
    GLfloat entries[STACK_DEPTH][16];
    int top = 0;
};

MatrixStack modelView, projection, textureStacks[GL_SUBSET_UNITS];
GLenum currentMode = GL_MODELVIEW;

// Fills m with the identity.
void identity(GLfloat* m) {
    std::memset(m, 0, 16 * sizeof(GLfloat));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

// The stack glMatrixMode selected (the texture stack of the active unit).
MatrixStack& current() {
    if (currentMode == GL_PROJECTION) return projection;
    if (currentMode == GL_TEXTURE) return textureStacks[glSubsetActiveUnit()];
    return modelView;
}

// Starts every stack at the identity, as a new context has them.
struct InitialStacks {
    InitialStacks() {
        identity(modelView.entries[0]);
        identity(projection.entries[0]);
        for (MatrixStack& stack : textureStacks) identity(stack.entries[0]);
    }
} initialStacks;

// Multiplies the current matrix by a scale along the axes, then a move.
void multiplyAxisAligned(GLfloat sx, GLfloat sy, GLfloat sz, GLfloat tx, GLfloat ty, GLfloat tz) {
    GLfloat m[16];
    identity(m);
    m[0] = sx;
    m[5] = sy;
    m[10] = sz;
    m[12] = tx;
    m[13] = ty;
    m[14] = tz;
    glSubsetMultMatrix(m);
}

}  // namespace

const GLfloat* glSubsetMatrix(GLenum mode, int unit) {
    if (mode == GL_PROJECTION) return projection.entries[projection.top];
    if (mode == GL_TEXTURE) return textureStacks[unit].entries[textureStacks[unit].top];
    return modelView.entries[modelView.top];
}

void glSubsetProduct(const GLfloat* a, const GLfloat* b, GLfloat* out) {
    GLfloat product[16];
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            product[column * 4 + row] = sum;
        }
    std::memcpy(out, product, sizeof product);
}

void glSubsetMultMatrix(const GLfloat* m) {
    MatrixStack& stack = current();
    GLfloat* top = stack.entries[stack.top];
    glSubsetProduct(top, m, top);
}

extern "C" {

void glMatrixMode(GLenum mode) { currentMode = mode; }

void glLoadIdentity(void) {
    MatrixStack& stack = current();
    identity(stack.entries[stack.top]);
}

// A push past the depth or a pop of the last entry is ignored, as GL does
// with its stack overflow and underflow errors.
void glPushMatrix(void) {
    MatrixStack& stack = current();
    if (stack.top + 1 >= STACK_DEPTH) return;
    std::memcpy(stack.entries[stack.top + 1], stack.entries[stack.top], 16 * sizeof(GLfloat));
    ++stack.top;
}

void glPopMatrix(void) {
    MatrixStack& stack = current();
    if (stack.top > 0) --stack.top;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    multiplyAxisAligned(1.0f, 1.0f, 1.0f, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) { multiplyAxisAligned(x, y, z, 0.0f, 0.0f, 0.0f); }

// The rotation about an axis through the origin, as the GL 1.1 manual gives it.
void glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
    const float radians = degrees * 3.14159265358979f / 180.0f;
    const float c = std::cos(radians), s = std::sin(radians), k = 1.0f - c;
    const GLfloat m[16] = {x * x * k + c,
                           y * x * k + z * s,
                           x * z * k - y * s,
                           0.0f,
                           x * y * k - z * s,
                           y * y * k + c,
                           y * z * k + x * s,
                           0.0f,
                           x * z * k + y * s,
                           y * z * k - x * s,
                           z * z * k + c,
                           0.0f,
                           0.0f,
                           0.0f,
                           0.0f,
                           1.0f};
    glSubsetMultMatrix(m);
}

}  // extern "C"
