// What the GL subset offers besides the OpenGL 1.1 and GLU calls: the two
// multitexture entry points the platform hands out, and the hooks GLU and the
// platform use. Browser build only.
#pragma once

#include <GL/gl.h>

// The texture units the subset has, each with its own texture matrix stack.
const int GL_SUBSET_UNITS = 2;

// glActiveTextureARB and glMultiTexCoord2fARB, as platGetProcAddress gives them.
void glSubsetActiveTexture(GLenum unit);
void glSubsetMultiTexCoord2f(GLenum unit, GLfloat s, GLfloat t);

// Multiplies the current matrix by a column-major 4 x 4 matrix.
void glSubsetMultMatrix(const GLfloat* m);
// out = a b, all column-major 4 x 4; out may be a or b.
void glSubsetProduct(const GLfloat* a, const GLfloat* b, GLfloat* out);

// The top of a stack: GL_MODELVIEW, GL_PROJECTION, or GL_TEXTURE of a unit.
const GLfloat* glSubsetMatrix(GLenum mode, int unit);
// The unit glActiveTextureARB selected: GL_TEXTURE is its stack.
int glSubsetActiveUnit();

// Marks the texture bound to the active unit as holding every mipmap level,
// so that drawing may sample it (gluBuild2DMipmaps, once it has uploaded them).
void glSubsetMarkBoundComplete();
// Keeps a copy of the picture gluBuild2DMipmaps was given for the texture
// bound to the active unit, to build it again after a reset GPU.
void glSubsetKeepUpload(int width, int height, GLenum format, const void* data);
// After the browser restored a lost context: makes the subset's own objects
// and every texture the program made again, under the same names, and puts
// back the state the program set.
void glSubsetRestoreObjects();

// True while a WebGL context is current: calls on none do nothing, as GL
// calls do natively before a context exists.
bool glSubsetLive();
