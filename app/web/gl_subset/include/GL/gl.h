// <GL/gl.h> for the browser build: the OpenGL 1.1 calls the scene makes, drawn
// with WebGL 1 by app/web/gl_subset/gl11_webgl.cpp.
//
// WebGL has no fixed-function pipeline, no immediate mode, no polygon mode and
// no texture environment, and emscripten's own emulation of them misses parts
// the scene needs (the second unit's coordinates, COMBINE with a texture
// matrix, GL_LINE). Only the web build has this directory on its include path;
// world/, camera/ and assets/ are compiled against it unchanged.
//
// The calls WebGL shares with OpenGL 1.1 keep the WebGL declarations (and the
// subset takes over those whose meaning differs); the rest are declared here.
#pragma once

#include <GLES2/gl2.h>

typedef double GLdouble;

#define GL_QUADS 0x0007
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_TEXTURE 0x1702
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_MODULATE 0x2100
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_TEXTURE_ENV 0x2300

#ifdef __cplusplus
extern "C" {
#endif

void glBegin(GLenum mode);
void glEnd(void);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glVertex3i(GLint x, GLint y, GLint z);
void glTexCoord2f(GLfloat s, GLfloat t);
void glColor3f(GLfloat red, GLfloat green, GLfloat blue);

void glMatrixMode(GLenum mode);
void glLoadIdentity(void);
void glPushMatrix(void);
void glPopMatrix(void);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z);
void glScalef(GLfloat x, GLfloat y, GLfloat z);

void glTexEnvi(GLenum target, GLenum name, GLint value);
void glTexEnvf(GLenum target, GLenum name, GLfloat value);
void glPolygonMode(GLenum face, GLenum mode);

#ifdef __cplusplus
}
#endif
