// OpenGL 1.1 and GLU, plus the two multitexture entry points the program looks
// up at run time.
//
// Mesa's gl.h declares glActiveTextureARB and glMultiTexCoord2fARB as functions;
// the program owns global pointers of those names instead, so the header's
// multitexture block is switched off and its constants are given here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef GL_ARB_multitexture
#define GL_ARB_multitexture 1
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#ifndef APIENTRY
#define APIENTRY
#endif

#define GL_TEXTURE0_ARB 0x84C0
#define GL_TEXTURE1_ARB 0x84C1

#ifndef GL_COMBINE_ARB
#define GL_COMBINE_ARB 0x8570
#endif
#ifndef GL_RGB_SCALE_ARB
#define GL_RGB_SCALE_ARB 0x8573
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

typedef void(APIENTRY* ActiveTextureProc)(GLenum texture);
typedef void(APIENTRY* MultiTexCoord2fProc)(GLenum target, GLfloat s, GLfloat t);

// Filled by scene set-up; null until then, and null when the context lacks them.
extern ActiveTextureProc glActiveTextureARB;
extern MultiTexCoord2fProc glMultiTexCoord2fARB;
