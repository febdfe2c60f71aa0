// What the GL subset offers besides the OpenGL 1.1 and GLU calls: the two
// multitexture entry points the platform hands out, and the hooks GLU and the
// platform use. Browser build only.
#pragma once

#include <GL/gl.h>

// glActiveTextureARB and glMultiTexCoord2fARB, as platGetProcAddress gives them.
void glSubsetActiveTexture(GLenum unit);
void glSubsetMultiTexCoord2f(GLenum unit, GLfloat s, GLfloat t);

// Multiplies the current matrix by a column-major 4 x 4 matrix.
void glSubsetMultMatrix(const GLfloat* m);
// out = a b, all column-major 4 x 4; out may be a or b.
void glSubsetProduct(const GLfloat* a, const GLfloat* b, GLfloat* out);

// The top of a stack: GL_MODELVIEW, GL_PROJECTION, or GL_TEXTURE of a unit.
const GLfloat* glSubsetMatrix(GLenum mode, int unit);
// Points GL_TEXTURE at this unit's stack (glActiveTextureARB does).
void glSubsetSelectUnitMatrices(int unit);

// Marks the texture bound to the active unit as holding every mipmap level,
// so that drawing may sample it (gluBuild2DMipmaps, once it has uploaded them).
void glSubsetMarkBoundComplete();

// True while a WebGL context is current: calls on none do nothing, as GL
// calls do natively before a context exists.
bool glSubsetLive();
