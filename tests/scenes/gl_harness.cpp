#include "tests/scenes/gl_harness.h"

#include "frame/gl_entries.h"
#include "frame/intro.h"
#include "frame/intro_state.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glext.h>
#include <cmath>
#include <cstdio>
#include <png.h>

namespace {

template <typename Fn> Fn proc(const char* name) {
    return reinterpret_cast<Fn>(eglGetProcAddress(name));
}

EGLDisplay openDisplay() {
    auto getPlatformDisplay = proc<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
    if (getPlatformDisplay == nullptr) return EGL_NO_DISPLAY;
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return EGL_NO_DISPLAY;
    return display;
}

bool makeContextCurrent(EGLDisplay display) {
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0,
                                       EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count == 0) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return false;
    return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

bool makeFramebuffer(int width, int height) {
    auto genFramebuffers = proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    auto bindFramebuffer = proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    auto genRenderbuffers = proc<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    auto bindRenderbuffer = proc<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    auto storage = proc<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    auto attach = proc<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    auto status = proc<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !bindRenderbuffer ||
        !storage || !attach || !status)
        return false;
    GLuint framebuffer = 0;
    GLuint buffers[2] = {0, 0};
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    genRenderbuffers(2, buffers);
    bindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    bindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    attach(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    glViewport(0, 0, width, height);
    return status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

bool loadEntries() {
    for (int i = 0; i < GlEntryCount; ++i) {
        intro.glEntries.entries[i] = eglGetProcAddress(glEntryNames[i]);
        if (intro.glEntries.entries[i] == nullptr) return false;
    }
    return true;
}

bool compiled(GLuint shader, std::string* log) {
    auto getShaderiv = proc<PFNGLGETSHADERIVPROC>("glGetShaderiv");
    auto getShaderInfoLog = proc<PFNGLGETSHADERINFOLOGPROC>("glGetShaderInfoLog");
    GLint ok = 0;
    getShaderiv(shader, GL_COMPILE_STATUS, &ok);
    char text[4096] = {};
    getShaderInfoLog(shader, sizeof text, nullptr, text);
    *log += text;
    return ok != 0;
}

bool linked(GLuint program, std::string* log) {
    auto getProgramiv = proc<PFNGLGETPROGRAMIVPROC>("glGetProgramiv");
    auto getProgramInfoLog = proc<PFNGLGETPROGRAMINFOLOGPROC>("glGetProgramInfoLog");
    GLint ok = 0;
    getProgramiv(program, GL_LINK_STATUS, &ok);
    char text[4096] = {};
    getProgramInfoLog(program, sizeof text, nullptr, text);
    *log += text;
    return ok != 0;
}

} // namespace

bool startGl(int width, int height) {
    EGLDisplay display = openDisplay();
    if (display == EGL_NO_DISPLAY || !makeContextCurrent(display)) return false;
    if (!makeFramebuffer(width, height) || !loadEntries()) return false;
    intro.screenWidth = width;
    intro.screenHeight = height;
    return true;
}

void resetFrame() {
    resetFrameState();
}

Frame readFrame() {
    Frame frame;
    frame.width = intro.screenWidth;
    frame.height = intro.screenHeight;
    std::vector<uint32_t> bottomUp(static_cast<size_t>(frame.width) * frame.height);
    glFinish();
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    frame.pixels.resize(bottomUp.size());
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            frame.pixels[static_cast<size_t>(y) * frame.width + x] =
                bottomUp[static_cast<size_t>(frame.height - 1 - y) * frame.width + x];
    return frame;
}

GLuint makeTexture(const uint32_t* pixels, int width, int height, bool nearest) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const GLint filter = nearest ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return name;
}

GLuint solidTexture(uint32_t colour) {
    const uint32_t pixels[4] = {colour, colour, colour, colour};
    return makeTexture(pixels, 2, 2);
}

GLuint buildCheckedProgram(const char* fragmentSource, std::string* log) {
    const GLuint program = callCreateProgram();
    const GLuint vertex = callCreateShader(GL_VERTEX_SHADER);
    const GLuint fragment = callCreateShader(GL_FRAGMENT_SHADER);
    callShaderSource(vertex, sharedVertexSource);
    callShaderSource(fragment, fragmentSource);
    callCompileShader(vertex);
    callCompileShader(fragment);
    const bool shadersOk = compiled(vertex, log) && compiled(fragment, log);
    callAttachShader(program, fragment);
    callAttachShader(program, vertex);
    callLinkProgram(program);
    return shadersOk && linked(program, log) ? program : 0;
}

int pixelX(double x) {
    return static_cast<int>(std::floor((x + 1) / 2 * intro.screenWidth));
}
int pixelY(double y) {
    return static_cast<int>(std::floor((1 - y) / 2 * intro.screenHeight));
}

bool writePng(const Frame& frame, const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr && setjmp(png_jmpbuf(png)) == 0;
    if (ok) {
        png_init_io(png, file);
        png_set_IHDR(png, info, frame.width, frame.height, 8, PNG_COLOR_TYPE_RGBA,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < frame.height; ++y)
            png_write_row(png, reinterpret_cast<png_const_bytep>(
                                   &frame.pixels[static_cast<size_t>(y) * frame.width]));
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}
