// Headless backend: an offscreen EGL context whose framebuffer object stands
// in for the screen, and a virtual audio device that advances by one frame
// period per presented main-loop frame, so that runs are deterministic however
// slowly they render. What is presented goes to the recording (record/).
// Settings come from the program (platform/headless.h).
#include "platform/headless.h"
#include "record/record.h"
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>

HeadlessSettings headless;

namespace {

EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;

volatile std::sig_atomic_t signalNumber;
volatile std::sig_atomic_t playing;

// While loading there is nothing to finish: the run ends at once. During
// playback it ends after the frame in progress, as with Escape.
void onSignal(int number) {
    signalNumber = number;
    if (playing) return;
    recordAbandon();
    std::_Exit(128 + number);
}

// --- EGL and the framebuffer standing in for the screen ---

using GetPlatformDisplay = EGLDisplay(EGLAPIENTRY*)(EGLenum, void*, const EGLint*);
using QueryDevices = EGLBoolean(EGLAPIENTRY*)(EGLint, EGLDeviceEXT*, EGLint*);
using QueryDeviceString = const char*(EGLAPIENTRY*)(EGLDeviceEXT, EGLint);

bool hasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool starts = at == list || at[-1] == ' ';
        if (starts && (at[length] == ' ' || at[length] == 0)) return true;
    }
    return false;
}

bool initialise(EGLDisplay candidate) {
    if (candidate == EGL_NO_DISPLAY) return false;
    if (eglInitialize(candidate, nullptr, nullptr)) {
        display = candidate;
        return true;
    }
    return false;
}

// A hardware device when there is one, else Mesa's surfaceless platform,
// else whatever the default display is.
bool openDisplay() {
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getDisplay =
        reinterpret_cast<GetPlatformDisplay>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getDisplay && hasExtension(client, "EGL_EXT_platform_device")) {
        auto queryDevices = reinterpret_cast<QueryDevices>(eglGetProcAddress("eglQueryDevicesEXT"));
        auto queryString =
            reinterpret_cast<QueryDeviceString>(eglGetProcAddress("eglQueryDeviceStringEXT"));
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (queryDevices && queryString && queryDevices(16, devices, &count)) {
            for (EGLint i = 0; i < count; ++i) {
                const char* extensions = queryString(devices[i], EGL_EXTENSIONS);
                if (hasExtension(extensions, "EGL_MESA_device_software")) continue;
                if (initialise(getDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr)))
                    return true;
            }
        }
    }
    if (getDisplay && hasExtension(client, "EGL_MESA_platform_surfaceless")) {
        if (initialise(getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)))
            return true;
    }
    return initialise(eglGetDisplay(EGL_DEFAULT_DISPLAY));
}

bool makeCurrent(EGLConfig config) {
    if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) return true;
    // Without surfaceless contexts, a tiny pbuffer carries the context.
    const EGLint pbuffer[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, pbuffer);
    return surface != EGL_NO_SURFACE && eglMakeCurrent(display, surface, surface, context);
}

bool createEglContext() {
    if (!openDisplay() || !eglBindAPI(EGL_OPENGL_API)) return false;
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return false;
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return context != EGL_NO_CONTEXT && makeCurrent(config);
}

using GenObjects = void(APIENTRY*)(GLsizei, GLuint*);
using BindObject = void(APIENTRY*)(GLenum, GLuint);
using RenderbufferStorage = void(APIENTRY*)(GLenum, GLenum, GLsizei, GLsizei);
using FramebufferRenderbuffer = void(APIENTRY*)(GLenum, GLenum, GLenum, GLuint);
using CheckFramebufferStatus = GLenum(APIENTRY*)(GLenum);

constexpr GLenum framebufferTarget = 0x8D40;  // GL_FRAMEBUFFER
constexpr GLenum renderbufferTarget = 0x8D41; // GL_RENDERBUFFER
constexpr GLenum colorAttachment0 = 0x8CE0;
constexpr GLenum depthAttachment = 0x8D00;
constexpr GLenum framebufferComplete = 0x8CD5;
constexpr GLenum rgba8 = 0x8058;
constexpr GLenum depthComponent24 = 0x81A6;

template <typename Fn> Fn glProc(const char* name) {
    return reinterpret_cast<Fn>(eglGetProcAddress(name));
}

bool createScreenFramebuffer() {
    auto genFramebuffers = glProc<GenObjects>("glGenFramebuffers");
    auto bindFramebuffer = glProc<BindObject>("glBindFramebuffer");
    auto genRenderbuffers = glProc<GenObjects>("glGenRenderbuffers");
    auto bindRenderbuffer = glProc<BindObject>("glBindRenderbuffer");
    auto storage = glProc<RenderbufferStorage>("glRenderbufferStorage");
    auto attach = glProc<FramebufferRenderbuffer>("glFramebufferRenderbuffer");
    auto check = glProc<CheckFramebufferStatus>("glCheckFramebufferStatus");
    if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !bindRenderbuffer ||
        !storage || !attach || !check) {
        return false;
    }
    GLuint framebuffer = 0, buffers[2] = {};
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(framebufferTarget, framebuffer);
    genRenderbuffers(2, buffers);
    bindRenderbuffer(renderbufferTarget, buffers[0]);
    storage(renderbufferTarget, rgba8, headless.width, headless.height);
    attach(framebufferTarget, colorAttachment0, renderbufferTarget, buffers[0]);
    bindRenderbuffer(renderbufferTarget, buffers[1]);
    storage(renderbufferTarget, depthComponent24, headless.width, headless.height);
    attach(framebufferTarget, depthAttachment, renderbufferTarget, buffers[1]);
    bindRenderbuffer(renderbufferTarget, 0);
    if (check(framebufferTarget) != framebufferComplete) return false;
    // A window's initial viewport covers it; the framebuffer gets the same.
    glViewport(0, 0, headless.width, headless.height);
    return true;
}

// --- the virtual audio device ---

bool audioStarted;
uint32_t audioBytes;
uint32_t audioBase;      // byte playback (re)started from
int64_t framesSinceBase; // main-loop frames presented while playing since then
bool audioPaused;
int64_t framesPresented; // main-loop frames presented in all
size_t nextKey;

// Exactly one frame period per presented main-loop frame, in whole audio
// frames; the device stops at the end of the buffer.
uint32_t devicePosition() {
    const int64_t played =
        int64_t(audioBase) + gridSamples(framesSinceBase, headless.rate) * audioFrameBytes;
    return uint32_t(std::min<int64_t>(played, audioBytes));
}

// The pass that presented a frame is over: the frame is recorded and the
// clock moves on by one frame period.
void finishPass() {
    if (!recordCommit()) return;
    ++framesPresented;
    if (!audioPaused) ++framesSinceBase;
}

} // namespace

int headlessSignal() {
    return signalNumber;
}

// Outputs are opened by the program before start-up.
void platformCommandLine(int, char**) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is a failed write, reported
    recording.width = headless.width;
    recording.height = headless.height;
}

void platformScreenSize(int32_t* width, int32_t* height) {
    *width = headless.width;
    *height = headless.height;
}

bool platformCreateWindow(int32_t, int32_t) {
    return true;
}

bool platformSetPixelFormat() {
    return !headless.failPixelFormat;
}

bool platformCreateContext() {
    return !headless.failContext && createEglContext() && createScreenFramebuffer();
}

void* platformGetGlProc(const char* name) {
    if (headless.hiddenEntry == name) return nullptr;
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

void platformShowCursor(bool) {}

bool platformPumpMessage() {
    return false;
}

bool platformEscapePressed() {
    finishPass();
    if (headless.escapeLoading || signalNumber) return true;
    if (headless.stopByte >= 0 && devicePosition() >= headless.stopByte) return true;
    return headless.escapeFrame >= 0 && framesPresented > headless.escapeFrame;
}

void platformPresent() {
    glFinish();
    if (audioStarted) {
        recordPresent();
    } else {
        recordLoaderFrame();
    }
}

void platformStartAudio(const void* pcm, uint32_t bytes) {
    audioStarted = true;
    playing = 1;
    audioBytes = bytes;
    recordSound(pcm, bytes);
}

int32_t platformAudioPosition() {
    if (!audioStarted) return 0;
    finishPass();
    if (headless.noAudio) return -1;
    return int32_t(devicePosition());
}

// The offscreen surface keeps its size: there is no full screen to enter.
void platformRequestWindow(bool, int32_t, int32_t) {}
void platformSetFullscreen(bool) {}

void platformDrawableSize(int32_t* width, int32_t* height) {
    platformScreenSize(width, height);
}

PlatformKey platformNextKey() {
    if (nextKey >= headless.keys.size() || headless.keys[nextKey].frame > framesPresented)
        return PlatformKey::none;
    return headless.keys[nextKey++].key;
}

void platformSeekAudio(uint32_t byte) {
    audioBase = byte;
    framesSinceBase = 0;
}

void platformPauseAudio(bool paused) {
    if (paused == audioPaused) return;
    if (paused) platformSeekAudio(devicePosition());
    audioPaused = paused;
}

// A run cut short by a signal keeps no unfinished output and says so by its
// exit code; a failed output turns a normal end into a failure.
void platformExit(int code) {
    finishPass();
    const int signal = signalNumber;
    const bool finished = recordFinish(signal == 0 && code == 0);
    std::fflush(stdout);
    if (signal) std::_Exit(128 + signal);
    std::exit(code == 0 && !finished ? 1 : code);
}
