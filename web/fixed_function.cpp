#include "web/fixed_function.h"

#include "web/glsl_es.h"

#include <GLES3/gl3.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <emscripten/html5.h>
#include <string>

// The WebGL calls behind the GL 1.1 names this file defines itself.
extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glGetIntegerv(GLenum name, GLint* data);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
// Whether the renderer's compiler needs the once-loops (web/glsl_es.h).
int webCompilerNeedsOnceLoops();
}

namespace {

constexpr GLenum textureTarget2D = 0x0DE1; // GL_TEXTURE_2D as a capability
constexpr GLenum quadsMode = 0x0007;       // GL_QUADS
constexpr int maxVertices = 1024;          // per glBegin ... glEnd
constexpr int stackDepth = 32;             // GL's minimum model-view stack
constexpr int streamVertices = 16384;      // vertices the stream buffer holds
constexpr int attribDepth = 4;             // glPushAttrib levels kept

// What glPushAttrib keeps of the groups the viewer's own drawing touches:
// enables, the bound texture, blending, the current colour, the viewport
// and the depth test.
struct SavedAttributes {
    bool blend, depthTest, scissorTest, texturing;
    GLint texture, blendSource, blendDestination, depthFunction;
    GLint viewport[4];
    float colour[4];
};

struct Vertex {
    float position[4];
    float texCoord[4];
    float colour[4];
};

struct Matrix {
    float m[16]; // column-major, as GL keeps it
};

struct FixedFunction {
    GLuint program;
    GLint modelViewLocation;
    GLint texturingLocation;
    GLuint vertexArray;
    GLuint stream;            // vertex buffer filled draw after draw
    int streamNext;           // first free vertex in it
    GLuint currentProgram;    // the program current in WebGL
    Matrix uploadedModelView; // the own program's uniforms as last set
    int uploadedTexturing;    // -1: not set yet
    GLuint userProgram;       // made current through the entry table; 0: fixed function
    EsCalls esCalls;          // how the programs' fragment stages are rewritten
    bool texturing;           // GL_TEXTURE_2D enabled
    float colour[4];
    float texCoord[2];
    GLenum primitive;
    int count;
    Vertex vertices[maxVertices];
    Vertex triangles[maxVertices / 4 * 6];
    Matrix stack[stackDepth];
    int top;
    SavedAttributes attributes[attribDepth];
    int attributeTop;
};

FixedFunction ff = {.uploadedTexturing = -1,
                    .colour = {1, 1, 1, 1},
                    .stack = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}}};

const char fixedVertexSource[] = R"glsl(#version 300 es
in vec4 ffVertex;
in vec4 ffMultiTexCoord0;
in vec4 ffColor;
uniform mat4 ffModelView;
out vec4 colour;
out vec2 texCoord;
void main()
{
    gl_Position = ffModelView * ffVertex;
    colour = ffColor;
    texCoord = ffMultiTexCoord0.st;
}
)glsl";

const char fixedFragmentSource[] = R"glsl(#version 300 es
precision highp float;
uniform sampler2D ffTexture;
uniform bool ffTexturing;
in vec4 colour;
in vec2 texCoord;
out vec4 ffFragColor;
void main()
{
    ffFragColor = ffTexturing ? texture(ffTexture, texCoord) * colour : colour;
}
)glsl";

void bindAttributes(GLuint program) {
    glBindAttribLocation(program, attributeVertex, "ffVertex");
    glBindAttribLocation(program, attributeTexCoord, "ffMultiTexCoord0");
    glBindAttribLocation(program, attributeColour, "ffColor");
}

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

void attribute(GLuint location, int offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(static_cast<intptr_t>(offset)));
}

// --- matrices ---

Matrix& current() {
    return ff.stack[ff.top];
}

// current := current * m, in single precision as GL keeps its matrices.
void multiply(const double (&m)[16]) {
    const Matrix a = current();
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * static_cast<float>(m[column * 4 + k]);
            current().m[column * 4 + row] = sum;
        }
}

// --- drawing ---

// A quad v0 v1 v2 v3 becomes the triangles v0 v1 v2 and v0 v2 v3, the split
// Mesa makes for the native program: texture coordinates across a skewed quad
// (the framed window of the can and flight scenes) are interpolated alike.
int triangulate() {
    int n = 0;
    if (ff.primitive == quadsMode) {
        static constexpr int order[6] = {0, 1, 2, 0, 2, 3};
        for (int q = 0; q + 3 < ff.count; q += 4)
            for (int k : order)
                ff.triangles[n++] = ff.vertices[q + k];
    } else if (ff.primitive == GL_TRIANGLES) {
        for (; n + 2 < ff.count; n += 3)
            for (int k = 0; k < 3; ++k)
                ff.triangles[n + k] = ff.vertices[n + k];
    }
    return n;
}

// The layer's own program with this draw's matrix and texturing. Only what
// changed goes to WebGL: every call there is a trip to the GPU process.
void useFixedProgram() {
    if (ff.currentProgram != ff.program) {
        glUseProgram(ff.program);
        ff.currentProgram = ff.program;
    }
    if (std::memcmp(&ff.uploadedModelView, &current(), sizeof(Matrix)) != 0) {
        glUniformMatrix4fv(ff.modelViewLocation, 1, GL_FALSE, current().m);
        ff.uploadedModelView = current();
    }
    const int texturing = ff.texturing ? 1 : 0;
    if (ff.uploadedTexturing != texturing) {
        glUniform1i(ff.texturingLocation, texturing);
        ff.uploadedTexturing = texturing;
    }
}

// True when every vertex lies beyond one and the same side of the clip
// volume under the matrix: GL would clip the whole draw away. (Text scrolling
// past the screen, drawn line by line, is mostly such draws.) The margin
// keeps what lies on or near an edge, whatever the rounding.
bool outsideClipVolume(const Vertex* vertices, int n) {
    const float* m = current().m;
    unsigned common = 0x3f;
    for (int i = 0; i < n && common != 0; ++i) {
        const float* p = vertices[i].position;
        float c[4];
        for (int row = 0; row < 4; ++row)
            c[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row] * p[3];
        const float margin = 1e-3f * (std::fabs(c[3]) + 1);
        unsigned outside = 0;
        for (int axis = 0; axis < 3; ++axis) {
            if (c[axis] - c[3] > margin) outside |= 1u << (2 * axis);
            if (-c[axis] - c[3] > margin) outside |= 2u << (2 * axis);
        }
        common &= outside;
    }
    return common != 0;
}

// Each draw appends its vertices to one stream buffer and draws them from
// where they start, as GL drivers stream immediate mode: the vertex arrays
// never change (the vertex array and the buffer stay bound from the start),
// and the buffer's storage is replaced only when it is full. (A buffer or an
// attribute offset that changes from draw to draw costs the software
// rasteriser about half a millisecond a draw, a new allocation for every draw
// piles up in some WebGL implementations.)
void draw() {
    const int n = triangulate();
    if (n == 0) return;
    if (ff.userProgram == 0 && outsideClipVolume(ff.triangles, n)) return;
    if (ff.streamNext + n > streamVertices) {
        glBufferData(GL_ARRAY_BUFFER, streamVertices * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
        ff.streamNext = 0;
    }
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(ff.streamNext * sizeof(Vertex)),
                    static_cast<GLsizeiptr>(n * sizeof(Vertex)), ff.triangles);
    if (ff.userProgram == 0) useFixedProgram();
    glDrawArrays(GL_TRIANGLES, ff.streamNext, n);
    ff.streamNext += n;
}

// --- the GL 2.0 entry points that differ from WebGL's ---

std::string joined(GLsizei count, const GLchar* const* strings, const GLint* lengths) {
    std::string text;
    for (GLsizei i = 0; i < count; ++i) {
        if (lengths && lengths[i] >= 0)
            text.append(strings[i], static_cast<size_t>(lengths[i]));
        else
            text += strings[i];
    }
    return text;
}

// Desktop GLSL in, GLSL ES 3.00 to WebGL; a source the rewrite cannot take is
// passed on as it is and fails to compile there.
void shaderSource(GLuint shader, GLsizei count, const GLchar* const* strings,
                  const GLint* lengths) {
    GLint type = 0;
    glGetShaderiv(shader, GL_SHADER_TYPE, &type);
    const std::string desktop = joined(count, strings, lengths);
    const ShaderStage stage =
        type == GL_VERTEX_SHADER ? ShaderStage::vertex : ShaderStage::fragment;
    const EsShader es = translateToEs300(desktop.c_str(), stage, ff.esCalls);
    if (!es.error.empty()) std::fprintf(stderr, "GLSL ES rewrite: %s\n", es.error.c_str());
    const char* text = es.error.empty() ? es.source.c_str() : desktop.c_str();
    glShaderSource(shader, 1, &text, nullptr);
}

void useProgram(GLuint program) {
    ff.userProgram = program;
    ff.currentProgram = program;
    glUseProgram(program);
}

// A driver may compile a program only at its first draw: ANGLE on SwiftShader
// (Chromium's software WebGL) builds the pipeline there, seconds for the can
// program. So each program draws once right after its link, in the loader,
// with the state its scene draws with (this layer's vertex array, blending
// and depth test off) on one pixel the loader's next clear covers; the
// scissor, blending, depth test and current program are put back. A fence
// after the draw tells the loader when the driver is done
// (fixedFunctionFirstUsePending), so that it waits for it handing control to
// the browser instead of in the next call that needs an answer from WebGL.
// (KHR_parallel_shader_compile would not help: SwiftShader does not offer it,
// and the program's build asks for each stage's and the link's status right
// away, as it does natively.)
GLsync firstUseDone;

void firstUse(GLuint program) {
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) return;
    const bool scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    const bool blend = glIsEnabled(GL_BLEND);
    const bool depthTest = glIsEnabled(GL_DEPTH_TEST);
    GLint scissor[4];
    emscripten_glGetIntegerv(GL_SCISSOR_BOX, scissor);
    const GLuint userProgram = ff.userProgram;
    const GLuint currentProgram = ff.currentProgram;
    emscripten_glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    emscripten_glDisable(GL_BLEND);
    emscripten_glDisable(GL_DEPTH_TEST);
    useProgram(program);
    ff.primitive = quadsMode;
    ff.count = 4;
    for (int k = 0; k < 4; ++k)
        ff.vertices[k] = {{k == 1 || k == 2 ? 1.0f : -1.0f, k < 2 ? -1.0f : 1.0f, 0, 1},
                          {0, 0, 0, 1},
                          {1, 1, 1, 1}};
    draw();
    ff.count = 0;
    ff.userProgram = userProgram;
    ff.currentProgram = currentProgram;
    glUseProgram(currentProgram);
    glScissor(scissor[0], scissor[1], scissor[2], scissor[3]);
    (scissorTest ? emscripten_glEnable : emscripten_glDisable)(GL_SCISSOR_TEST);
    (blend ? emscripten_glEnable : emscripten_glDisable)(GL_BLEND);
    (depthTest ? emscripten_glEnable : emscripten_glDisable)(GL_DEPTH_TEST);
    if (firstUseDone) glDeleteSync(firstUseDone); // the new fence follows it
    firstUseDone = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
}

void linkProgram(GLuint program) {
    bindAttributes(program);
    glLinkProgram(program);
    firstUse(program);
}

struct NamedProc {
    const char* name;
    void* proc;
};

template <typename Fn> void* address(Fn* fn) {
    return reinterpret_cast<void*>(fn);
}

const NamedProc entryPoints[] = {
    {"glCreateProgram", address(glCreateProgram)},
    {"glCreateShader", address(glCreateShader)},
    {"glShaderSource", address(shaderSource)},
    {"glCompileShader", address(glCompileShader)},
    {"glAttachShader", address(glAttachShader)},
    {"glLinkProgram", address(linkProgram)},
    {"glUseProgram", address(useProgram)},
    {"glGetUniformLocationARB", address(glGetUniformLocation)},
    {"glUniform4fv", address(glUniform4fv)},
    {"glUniform1iv", address(glUniform1iv)},
    {"glUniform2f", address(glUniform2f)},
    {"glUniform1f", address(glUniform1f)},
    {"glActiveTexture", address(glActiveTexture)},
    {"glGetShaderiv", address(glGetShaderiv)},
    {"glGetShaderInfoLog", address(glGetShaderInfoLog)},
    {"glGetProgramiv", address(glGetProgramiv)},
    {"glGetProgramInfoLog", address(glGetProgramInfoLog)},
};

} // namespace

bool startFixedFunction() {
    ff.esCalls = webCompilerNeedsOnceLoops() ? EsCalls::inOnceLoops : EsCalls::inPlace;
    ff.program = glCreateProgram();
    glAttachShader(ff.program, compile(GL_VERTEX_SHADER, fixedVertexSource));
    glAttachShader(ff.program, compile(GL_FRAGMENT_SHADER, fixedFragmentSource));
    bindAttributes(ff.program);
    glLinkProgram(ff.program);
    GLint linked = 0;
    glGetProgramiv(ff.program, GL_LINK_STATUS, &linked);
    if (!linked) return false;
    ff.modelViewLocation = glGetUniformLocation(ff.program, "ffModelView");
    ff.texturingLocation = glGetUniformLocation(ff.program, "ffTexturing");
    glUseProgram(ff.program);
    glUniform1i(glGetUniformLocation(ff.program, "ffTexture"), 0);
    glUseProgram(0);
    glGenVertexArrays(1, &ff.vertexArray);
    glGenBuffers(1, &ff.stream);
    glBindVertexArray(ff.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, ff.stream);
    glBufferData(GL_ARRAY_BUFFER, streamVertices * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
    attribute(attributeVertex, offsetof(Vertex, position));
    attribute(attributeTexCoord, offsetof(Vertex, texCoord));
    attribute(attributeColour, offsetof(Vertex, colour));
    return true;
}

bool fixedFunctionFirstUsePending() {
    if (!firstUseDone) return false;
    GLint status = GL_UNSIGNALED;
    if (!emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context()))
        glGetSynciv(firstUseDone, GL_SYNC_STATUS, 1, nullptr, &status);
    else
        status = GL_SIGNALED; // nothing more to wait for
    if (status != GL_SIGNALED) return true;
    glDeleteSync(firstUseDone);
    firstUseDone = nullptr;
    return false;
}

void* fixedFunctionProc(const char* name) {
    for (const NamedProc& entry : entryPoints)
        if (std::string(entry.name) == name) return entry.proc;
    return nullptr;
}

// --- the GL 1.1 and GLU calls of the scenes ---

extern "C" {

void glEnable(GLenum cap) {
    if (cap == textureTarget2D)
        ff.texturing = true;
    else
        emscripten_glEnable(cap);
}

void glDisable(GLenum cap) {
    if (cap == textureTarget2D)
        ff.texturing = false;
    else
        emscripten_glDisable(cap);
}

// Internal format 4 (four components) becomes WebGL's RGBA8, 3 its RGB8.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    if (internalFormat == 4) internalFormat = GL_RGBA8;
    if (internalFormat == 3) internalFormat = GL_RGB8;
    emscripten_glTexImage2D(target, level, internalFormat, width, height, border, format, type,
                            pixels);
}

void glBegin(GLenum mode) {
    ff.primitive = mode;
    ff.count = 0;
}

void glEnd() {
    draw();
    ff.count = 0;
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    ff.colour[0] = red;
    ff.colour[1] = green;
    ff.colour[2] = blue;
    ff.colour[3] = alpha;
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    glColor4f(red, green, blue, 1);
}

// The program made current through the entry table, not the layer's own.
void glGetIntegerv(GLenum name, GLint* data) {
    if (name == GL_CURRENT_PROGRAM)
        *data = static_cast<GLint>(ff.userProgram);
    else
        emscripten_glGetIntegerv(name, data);
}

void glPushAttrib(GLbitfield) {
    if (ff.attributeTop >= attribDepth) return;
    SavedAttributes& a = ff.attributes[ff.attributeTop++];
    a.blend = glIsEnabled(GL_BLEND);
    a.depthTest = glIsEnabled(GL_DEPTH_TEST);
    a.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    a.texturing = ff.texturing;
    emscripten_glGetIntegerv(GL_TEXTURE_BINDING_2D, &a.texture);
    emscripten_glGetIntegerv(GL_BLEND_SRC_RGB, &a.blendSource);
    emscripten_glGetIntegerv(GL_BLEND_DST_RGB, &a.blendDestination);
    emscripten_glGetIntegerv(GL_DEPTH_FUNC, &a.depthFunction);
    emscripten_glGetIntegerv(GL_VIEWPORT, a.viewport);
    std::copy(ff.colour, ff.colour + 4, a.colour);
}

void glPopAttrib() {
    if (ff.attributeTop == 0) return;
    const SavedAttributes& a = ff.attributes[--ff.attributeTop];
    (a.blend ? emscripten_glEnable : emscripten_glDisable)(GL_BLEND);
    (a.depthTest ? emscripten_glEnable : emscripten_glDisable)(GL_DEPTH_TEST);
    (a.scissorTest ? emscripten_glEnable : emscripten_glDisable)(GL_SCISSOR_TEST);
    ff.texturing = a.texturing;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(a.texture));
    glBlendFunc(static_cast<GLenum>(a.blendSource), static_cast<GLenum>(a.blendDestination));
    glDepthFunc(static_cast<GLenum>(a.depthFunction));
    glViewport(a.viewport[0], a.viewport[1], a.viewport[2], a.viewport[3]);
    std::copy(a.colour, a.colour + 4, ff.colour);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    ff.texCoord[0] = s;
    ff.texCoord[1] = t;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (ff.count >= maxVertices) return;
    ff.vertices[ff.count++] = {{x, y, z, 1},
                               {ff.texCoord[0], ff.texCoord[1], 0, 1},
                               {ff.colour[0], ff.colour[1], ff.colour[2], ff.colour[3]}};
}

void glVertex2f(GLfloat x, GLfloat y) {
    glVertex3f(x, y, 0);
}

void glLoadIdentity() {
    current() = Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

void glPushMatrix() {
    if (ff.top + 1 >= stackDepth) return; // stack overflow: GL ignores the call
    ff.stack[ff.top + 1] = ff.stack[ff.top];
    ++ff.top;
}

void glPopMatrix() {
    if (ff.top > 0) --ff.top;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    multiply({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    multiply({x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1});
}

void glRotatef(GLfloat angle, GLfloat ax, GLfloat ay, GLfloat az) {
    const double length = std::sqrt(double(ax) * ax + double(ay) * ay + double(az) * az);
    if (length == 0) return;
    const double x = ax / length, y = ay / length, z = az / length;
    const double radians = angle * M_PI / 180;
    const double c = std::cos(radians), s = std::sin(radians), k = 1 - c;
    multiply({x * x * k + c, y * x * k + z * s, x * z * k - y * s, 0, //
              x * y * k - z * s, y * y * k + c, y * z * k + x * s, 0, //
              x * z * k + y * s, y * z * k - x * s, z * z * k + c, 0, //
              0, 0, 0, 1});
}

void gluPerspective(double fovy, double aspect, double zNear, double zFar) {
    const double radians = fovy / 2 * M_PI / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    multiply({cotangent / aspect, 0, 0, 0, 0, cotangent, 0, 0, 0, 0, -(zFar + zNear) / deltaZ, -1,
              0, 0, -2 * zNear * zFar / deltaZ, 0});
}

} // extern "C"
