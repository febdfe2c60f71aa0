// The GL 1.1 subset over WebGL 1: exactly what the scene draws with, and no
// more.
//
// Covered: glBegin/glEnd with GL_TRIANGLE_STRIP and GL_QUADS, glVertex3f/3i,
// glTexCoord2f, glColor3f; two texture units (glActiveTextureARB,
// glMultiTexCoord2fARB), each with its enable, bound texture, texture matrix
// and environment: GL_MODULATE, or GL_COMBINE with its default operands
// (texture times previous) and GL_RGB_SCALE_ARB; glPolygonMode GL_LINE drawn
// as every polygon's edges (WebGL has no polygon mode); glEnable/glDisable,
// glBindTexture, glTexParameteri, glClear, glViewport and glGetString. The
// matrix stacks are in matrix_stacks.cpp, GLU in glu_webgl.cpp.
//
// Why it exists: WebGL is OpenGL ES 2 (shaders only), and emscripten's legacy
// GL emulation drops unit 1's coordinates in immediate mode, fails to build a
// shader for COMBINE with a texture matrix, and ignores GL_LINE. Each
// glBegin/glEnd batch is drawn by one shader that applies both units' matrices
// and environments. A texture is sampled only once GLU has given it all its
// mipmap levels; until then its unit passes the colour through, as GL treats
// an incomplete texture.
#include "app/web/gl_subset/gl_subset.h"

#include "app/gl_api.h"

#include <GL/glu.h>
#include <emscripten.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

const int FLOATS_PER_VERTEX = 7;  // x y z, s0 t0, s1 t1

struct TextureUnit {
    bool enabled = false;
    GLuint texture = 0;
    GLenum envMode = GL_MODULATE;
    float rgbScale = 1.0f;
    float s = 0.0f, t = 0.0f;
};

TextureUnit units[GL_SUBSET_UNITS];
int activeUnit = 0;
float colour[3] = {1.0f, 1.0f, 1.0f};
bool outlines = false;  // glPolygonMode GL_LINE

GLenum batchMode = 0;
std::vector<float> batch;     // the vertices since glBegin
std::vector<float> expanded;  // quads as triangles, or polygons as edges

std::vector<bool> completeTextures;  // indexed by texture name

// What a reset GPU takes with it and the program set only once: kept to be
// given to the restored context.
struct TextureRecord {
    bool made = false;
    std::vector<std::pair<GLenum, GLint>> parameters;
    int width = 0, height = 0;
    GLenum format = 0;  // 0 until gluBuild2DMipmaps
    std::vector<uint8_t> pixels;
};
std::vector<TextureRecord> textureRecords;  // indexed by texture name
std::vector<GLenum> enabledCaps;
GLint viewport[4] = {0, 0, 0, 0};
bool rebuilding = false;

// The record of a texture name, made on first use.
TextureRecord& recordOf(GLuint name) {
    if (name >= textureRecords.size()) textureRecords.resize(name + 1);
    return textureRecords[name];
}

// A new browser texture under a name the program holds: emscripten's table
// maps names to the browser's objects, which died with the context.
EM_JS(void, remakeTexture, (GLuint name), {
    GL.textures[name] = GLctx.createTexture();
    GL.textures[name].name = name;
});

// The WebGL objects, made on the first draw in each context.
struct Pipeline {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    GLuint program = 0, buffer = 0, white = 0;
    GLint mvp = -1, textureMatrix[GL_SUBSET_UNITS] = {-1, -1}, use[GL_SUBSET_UNITS] = {-1, -1},
          scale[GL_SUBSET_UNITS] = {-1, -1}, colour = -1;
} pipe;

const char* const VERTEX_SHADER = R"(
attribute vec3 position;
attribute vec2 coord0;
attribute vec2 coord1;
uniform mat4 mvp;
uniform mat4 textureMatrix0;
uniform mat4 textureMatrix1;
varying vec2 v0;
varying vec2 v1;
void main() {
    gl_Position = mvp * vec4(position, 1.0);
    vec4 c0 = textureMatrix0 * vec4(coord0, 0.0, 1.0);
    vec4 c1 = textureMatrix1 * vec4(coord1, 0.0, 1.0);
    v0 = c0.xy / c0.w;
    v1 = c1.xy / c1.w;
})";

// Each unit multiplies the result of the one before by its texel, then by its
// scale, and clamps: MODULATE has scale 1, COMBINE the one set.
const char* const FRAGMENT_SHADER = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform float use0;
uniform float use1;
uniform float scale0;
uniform float scale1;
uniform vec3 colour;
varying vec2 v0;
varying vec2 v1;
void main() {
    vec3 c = colour;
    if (use0 > 0.5) c = min(c * texture2D(texture0, v0).rgb * scale0, 1.0);
    if (use1 > 0.5) c = min(c * texture2D(texture1, v1).rgb * scale1, 1.0);
    gl_FragColor = vec4(c, 1.0);
})";

// A compiled shader of the kind given.
GLuint compile(GLenum kind, const char* source) {
    GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

// Builds the shader, the vertex buffer and a white texture for units without
// one, once per context.
void ensurePipeline() {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (pipe.context == context) return;
    pipe = Pipeline();
    pipe.context = context;
    pipe.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(pipe.program, compile(GL_VERTEX_SHADER, VERTEX_SHADER));
    emscripten_glAttachShader(pipe.program, compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER));
    emscripten_glBindAttribLocation(pipe.program, 0, "position");
    emscripten_glBindAttribLocation(pipe.program, 1, "coord0");
    emscripten_glBindAttribLocation(pipe.program, 2, "coord1");
    emscripten_glLinkProgram(pipe.program);
    emscripten_glUseProgram(pipe.program);
    pipe.mvp = emscripten_glGetUniformLocation(pipe.program, "mvp");
    const char* names[GL_SUBSET_UNITS][4] = {{"textureMatrix0", "use0", "scale0", "texture0"},
                                             {"textureMatrix1", "use1", "scale1", "texture1"}};
    for (int unit = 0; unit < GL_SUBSET_UNITS; ++unit) {
        pipe.textureMatrix[unit] = emscripten_glGetUniformLocation(pipe.program, names[unit][0]);
        pipe.use[unit] = emscripten_glGetUniformLocation(pipe.program, names[unit][1]);
        pipe.scale[unit] = emscripten_glGetUniformLocation(pipe.program, names[unit][2]);
        emscripten_glUniform1i(emscripten_glGetUniformLocation(pipe.program, names[unit][3]), unit);
    }
    pipe.colour = emscripten_glGetUniformLocation(pipe.program, "colour");
    emscripten_glGenBuffers(1, &pipe.buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, pipe.buffer);
    for (GLuint attribute = 0; attribute < 3; ++attribute)
        emscripten_glEnableVertexAttribArray(attribute);

    const unsigned char white[3] = {255, 255, 255};
    emscripten_glGenTextures(1, &pipe.white);
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, pipe.white);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, white);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    emscripten_glBindTexture(GL_TEXTURE_2D, units[0].texture);
    emscripten_glActiveTexture(GL_TEXTURE0 + activeUnit);
}

// True when the unit is on and its texture has every mipmap level.
bool samples(const TextureUnit& unit) {
    return unit.enabled && unit.texture < completeTextures.size() && completeTextures[unit.texture];
}

// Appends a vertex of the batch to the expanded vertices.
void copyVertex(int index) {
    const float* v = &batch[index * FLOATS_PER_VERTEX];
    expanded.insert(expanded.end(), v, v + FLOATS_PER_VERTEX);
}

// Appends two vertices of the batch: a line, or two corners of a triangle.
void copyEdge(int a, int b) {
    copyVertex(a);
    copyVertex(b);
}

// Turns the batch into what WebGL can draw: quads into triangle pairs, and
// in outline mode every polygon into its edges. Returns the WebGL primitive
// and the vertex data to draw.
GLenum assemble(const std::vector<float>** data) {
    const int count = static_cast<int>(batch.size()) / FLOATS_PER_VERTEX;
    expanded.clear();
    *data = &expanded;
    if (batchMode == GL_QUADS) {
        for (int q = 0; q + 3 < count; q += 4) {
            if (outlines) {
                copyEdge(q, q + 1);
                copyEdge(q + 1, q + 2);
                copyEdge(q + 2, q + 3);
                copyEdge(q + 3, q);
            } else {
                copyEdge(q, q + 1);
                copyVertex(q + 2);
                copyEdge(q, q + 2);
                copyVertex(q + 3);
            }
        }
        return outlines ? GL_LINES : GL_TRIANGLES;
    }
    if (batchMode == GL_TRIANGLE_STRIP && outlines) {
        for (int i = 0; i + 2 < count; ++i) {
            copyEdge(i, i + 1);
            copyEdge(i + 1, i + 2);
            copyEdge(i + 2, i);
        }
        return GL_LINES;
    }
    *data = &batch;
    return batchMode;
}

// Draws the batch with the current matrices, units and colour.
void drawBatch() {
    ensurePipeline();
    const std::vector<float>* data = nullptr;
    const GLenum primitive = assemble(&data);
    if (data->empty()) return;

    GLfloat mvp[16];
    glSubsetProduct(glSubsetMatrix(GL_PROJECTION, 0), glSubsetMatrix(GL_MODELVIEW, 0), mvp);
    emscripten_glUseProgram(pipe.program);
    emscripten_glUniformMatrix4fv(pipe.mvp, 1, GL_FALSE, mvp);
    emscripten_glUniform3fv(pipe.colour, 1, colour);
    for (int unit = 0; unit < GL_SUBSET_UNITS; ++unit) {
        const TextureUnit& u = units[unit];
        const bool use = samples(u);
        emscripten_glUniformMatrix4fv(pipe.textureMatrix[unit], 1, GL_FALSE,
                                      glSubsetMatrix(GL_TEXTURE, unit));
        emscripten_glUniform1f(pipe.use[unit], use ? 1.0f : 0.0f);
        emscripten_glUniform1f(pipe.scale[unit], u.envMode == GL_COMBINE_ARB ? u.rgbScale : 1.0f);
        emscripten_glActiveTexture(GL_TEXTURE0 + unit);
        emscripten_glBindTexture(GL_TEXTURE_2D, use ? u.texture : pipe.white);
    }

    const GLsizei stride = FLOATS_PER_VERTEX * sizeof(float);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, pipe.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, data->size() * sizeof(float), data->data(),
                            GL_STREAM_DRAW);
    emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    emscripten_glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(3 * sizeof(float)));
    emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(5 * sizeof(float)));
    emscripten_glDrawArrays(primitive, 0, static_cast<GLsizei>(data->size() / FLOATS_PER_VERTEX));

    // Give every unit its own texture back for glTexParameteri and uploads.
    for (int unit = GL_SUBSET_UNITS - 1; unit >= 0; --unit) {
        emscripten_glActiveTexture(GL_TEXTURE0 + unit);
        emscripten_glBindTexture(GL_TEXTURE_2D, units[unit].texture);
    }
    emscripten_glActiveTexture(GL_TEXTURE0 + activeUnit);
}

}  // namespace

bool glSubsetLive() { return emscripten_webgl_get_current_context() != 0; }

int glSubsetActiveUnit() { return activeUnit; }

void glSubsetKeepUpload(int width, int height, GLenum format, const void* data) {
    if (rebuilding) return;
    TextureRecord& record = recordOf(units[activeUnit].texture);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    record.width = width;
    record.height = height;
    record.format = format;
    record.pixels.assign(bytes,
                         bytes + static_cast<size_t>(width) * height * (format == GL_RGBA ? 4 : 3));
}

void glSubsetRestoreObjects() {
    if (!glSubsetLive()) return;
    pipe.context = 0;  // the next draw makes the shader, buffer and white texture
    rebuilding = true;
    const GLuint bound = units[activeUnit].texture;
    for (GLuint name = 1; name < textureRecords.size(); ++name) {
        const TextureRecord& record = textureRecords[name];
        if (!record.made) continue;
        remakeTexture(name);
        glBindTexture(GL_TEXTURE_2D, name);
        for (const auto& parameter : record.parameters)
            emscripten_glTexParameteri(GL_TEXTURE_2D, parameter.first, parameter.second);
        if (record.format)
            gluBuild2DMipmaps(GL_TEXTURE_2D, 0, record.width, record.height, record.format,
                              GL_UNSIGNED_BYTE, record.pixels.data());
    }
    rebuilding = false;
    glBindTexture(GL_TEXTURE_2D, bound);
    for (int unit = 0; unit < GL_SUBSET_UNITS; ++unit) {
        emscripten_glActiveTexture(GL_TEXTURE0 + unit);
        emscripten_glBindTexture(GL_TEXTURE_2D, units[unit].texture);
    }
    emscripten_glActiveTexture(GL_TEXTURE0 + activeUnit);
    for (GLenum cap : enabledCaps) emscripten_glEnable(cap);
    emscripten_glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void glSubsetMarkBoundComplete() {
    GLuint name = units[activeUnit].texture;
    if (name >= completeTextures.size()) completeTextures.resize(name + 1, false);
    completeTextures[name] = true;
}

void glSubsetActiveTexture(GLenum unit) {
    int index = static_cast<int>(unit - GL_TEXTURE0);
    if (index < 0 || index >= GL_SUBSET_UNITS) return;
    activeUnit = index;
    if (glSubsetLive()) emscripten_glActiveTexture(unit);
}

void glSubsetMultiTexCoord2f(GLenum unit, GLfloat s, GLfloat t) {
    int index = static_cast<int>(unit - GL_TEXTURE0);
    if (index < 0 || index >= GL_SUBSET_UNITS) return;
    units[index].s = s;
    units[index].t = t;
}

extern "C" {

void glBegin(GLenum mode) {
    batchMode = mode;
    batch.clear();
}

void glEnd(void) {
    if (glSubsetLive()) drawBatch();
    batch.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    batch.insert(batch.end(), {x, y, z, units[0].s, units[0].t, units[1].s, units[1].t});
}

void glVertex3i(GLint x, GLint y, GLint z) {
    glVertex3f(static_cast<GLfloat>(x), static_cast<GLfloat>(y), static_cast<GLfloat>(z));
}

void glTexCoord2f(GLfloat s, GLfloat t) { glSubsetMultiTexCoord2f(GL_TEXTURE0, s, t); }

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    colour[0] = red;
    colour[1] = green;
    colour[2] = blue;
}

void glEnable(GLenum cap) {
    if (cap == GL_TEXTURE_2D) {
        units[activeUnit].enabled = true;
    } else if (glSubsetLive()) {
        emscripten_glEnable(cap);
        if (std::find(enabledCaps.begin(), enabledCaps.end(), cap) == enabledCaps.end())
            enabledCaps.push_back(cap);
    }
}

void glDisable(GLenum cap) {
    if (cap == GL_TEXTURE_2D) {
        units[activeUnit].enabled = false;
    } else if (glSubsetLive()) {
        emscripten_glDisable(cap);
        enabledCaps.erase(std::remove(enabledCaps.begin(), enabledCaps.end(), cap),
                          enabledCaps.end());
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    units[activeUnit].texture = texture;
    if (glSubsetLive()) emscripten_glBindTexture(target, texture);
}

void glGenTextures(GLsizei count, GLuint* names) {
    if (!glSubsetLive()) return;
    emscripten_glGenTextures(count, names);
    for (GLsizei i = 0; i < count; ++i) recordOf(names[i]).made = true;
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if (!glSubsetLive()) return;
    emscripten_glTexParameteri(target, name, value);
    auto& parameters = recordOf(units[activeUnit].texture).parameters;
    auto same = std::find_if(parameters.begin(), parameters.end(),
                             [name](const std::pair<GLenum, GLint>& p) { return p.first == name; });
    if (same == parameters.end())
        parameters.emplace_back(name, value);
    else
        same->second = value;
}

void glPixelStorei(GLenum name, GLint value) {
    if (glSubsetLive()) emscripten_glPixelStorei(name, value);
}

void glTexEnvi(GLenum, GLenum name, GLint value) {
    if (name == GL_TEXTURE_ENV_MODE) units[activeUnit].envMode = static_cast<GLenum>(value);
    if (name == GL_RGB_SCALE_ARB) units[activeUnit].rgbScale = static_cast<float>(value);
}

void glTexEnvf(GLenum target, GLenum name, GLfloat value) {
    glTexEnvi(target, name, static_cast<GLint>(value));
}

void glPolygonMode(GLenum, GLenum mode) { outlines = mode == GL_LINE; }

// The first size message comes before any context exists; natively that
// call does nothing, in WebGL it would throw.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!glSubsetLive()) return;
    emscripten_glViewport(x, y, width, height);
    viewport[0] = x;
    viewport[1] = y;
    viewport[2] = width;
    viewport[3] = height;
}

void glClear(GLbitfield mask) {
    if (glSubsetLive()) emscripten_glClear(mask);
}

const GLubyte* glGetString(GLenum name) {
    if (!glSubsetLive()) return nullptr;
    if (name == GL_VERSION) return reinterpret_cast<const GLubyte*>("1.1 Merrowind subset");
    if (name == GL_EXTENSIONS)
        return reinterpret_cast<const GLubyte*>(
            "GL_ARB_multitexture GL_ARB_texture_env_combine GL_EXT_texture_edge_clamp");
    return emscripten_glGetString(name);
}

}  // extern "C"
