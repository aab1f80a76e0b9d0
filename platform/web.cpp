// Web backend: the page's canvas with a WebGL 2 context (the fixed-function
// layer of web/ over it), the soundtrack played once by Web Audio with the
// music clock taken from the audio context's output timestamp, Escape or
// leaving full screen as the end. Every present hands control back to the
// browser (the program runs under Asyncify): main-loop frames wait for the
// next animation frame, loader ticks only for the browser's pending work.
//
// Test mode (--test-clock FPS) gives the page the headless backend's virtual
// clock, one frame period per main-loop frame, and hands chosen frames and
// the soundtrack's hash to the page; options come from the page's arguments.
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "scenes/scenes.h"
#include "web/fixed_function.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <emscripten/html5.h>

// Page side: web/library_web.js.
extern "C" {
void webScreenSize(int32_t* width, int32_t* height);
int webPrepareCanvas(int32_t width, int32_t height);
void webShowCursor(int visible);
int webQuitRequested();
void webYield(int toAnimationFrame);
int webStartAudio(const void* pcm, uint32_t bytes);
int32_t webAudioPosition();
void webCapture(const char* name);
void webKeepCapture(const char* name, double musicTime, double sceneTime, const char* scene);
void webReport(const char* key, const char* value);
[[noreturn]] void webExit(int code);
}

namespace {

constexpr uint32_t sampleRate = 44100;
constexpr uint32_t bytesPerFrame = 4;
constexpr int maxTimes = 64;

// The virtual clock of test mode and the frames it hands over.
struct TestMode {
    int32_t fps; // 0: real audio clock
    double at[maxTimes];
    int atCount;
    uint32_t loaderTicks[maxTimes];
    int loaderTickCount;
    bool endAfterLast; // Escape once every --at frame is kept
};

struct PendingFrame {
    bool present;
    bool captured;
    double musicTime;
    double sceneTime;
    const char* scene;
};

TestMode test;
PendingFrame pending;
bool audioStarted;
uint32_t audioBytes;
int64_t frameIndex;
int nextAt;
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;

template <typename T> int parseList(const char* text, T* values, int capacity) {
    int n = 0;
    for (const char* at = text; *at && n < capacity;) {
        char* end = nullptr;
        values[n++] = static_cast<T>(std::strtod(at, &end));
        if (end == at) break;
        at = *end == ',' ? end + 1 : end;
    }
    return n;
}

bool wantsFrame(double musicTime) {
    return nextAt < test.atCount && musicTime >= test.at[nextAt];
}

void frameName(char* name, size_t size, int64_t index) {
    std::snprintf(name, size, "frame-%06lld", static_cast<long long>(index));
}

// The last present before the clock is read is the frame of the pass; test
// mode keeps it when it is one of the chosen frames.
void presentMainLoopFrame() {
    pending.present = true;
    pending.musicTime = intro.musicTime;
    pending.sceneTime = intro.sceneTime;
    pending.scene = sceneRendererName(intro.sceneRenderer);
    pending.captured = test.fps > 0 && wantsFrame(intro.musicTime);
    if (pending.captured) webCapture("pending");
}

// Once per main-loop pass: the page learns the frame count and music time.
void commitFrame() {
    if (!pending.present) return;
    pending.present = false;
    if (pending.captured) {
        char name[32];
        frameName(name, sizeof name, frameIndex);
        webKeepCapture(name, pending.musicTime, pending.sceneTime, pending.scene);
        while (wantsFrame(pending.musicTime))
            ++nextAt;
    }
    ++frameIndex;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%lld %.3f", static_cast<long long>(frameIndex),
                  pending.musicTime);
    webReport("clock", clock);
}

void presentLoaderFrame() {
    for (int i = 0; i < test.loaderTickCount; ++i) {
        if (test.loaderTicks[i] != intro.progressTicks) continue;
        char name[32];
        std::snprintf(name, sizeof name, "loader-%03u", intro.progressTicks);
        webCapture("pending");
        webKeepCapture(name, 0, 0, "loader");
    }
}

// FNV-1a over the bytes, the hash the native tests record for the soundtrack.
void reportHash(const void* pcm, uint32_t bytes) {
    uint64_t hash = 1469598103934665603ull;
    const auto* data = static_cast<const uint8_t*>(pcm);
    for (uint32_t i = 0; i < bytes; ++i)
        hash = (hash ^ data[i]) * 1099511628211ull;
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    webReport("musBufHash", text);
}

} // namespace

void platformCommandLine(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* option = argv[i];
        const char* value = argv[i + 1];
        if (std::strcmp(option, "--test-clock") == 0) {
            test.fps = std::atoi(value) > 0 ? std::atoi(value) : 30;
        } else if (std::strcmp(option, "--at") == 0) {
            test.atCount = parseList(value, test.at, maxTimes);
        } else if (std::strcmp(option, "--loader-ticks") == 0) {
            test.loaderTickCount = parseList(value, test.loaderTicks, maxTimes);
        } else if (std::strcmp(option, "--end-after-last") == 0) {
            test.endAfterLast = std::strcmp(value, "0") != 0;
        }
    }
}

void platformScreenSize(int32_t* width, int32_t* height) {
    webScreenSize(width, height);
}

bool platformCreateWindow(int32_t width, int32_t height) {
    return width > 0 && height > 0 && webPrepareCanvas(width, height);
}

// The drawing buffer's format is asked for with the context.
bool platformSetPixelFormat() {
    return true;
}

bool platformCreateContext() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false; // a screen shows no transparency
    attributes.depth = true;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = false;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    return startFixedFunction();
}

void* platformGetGlProc(const char* name) {
    return fixedFunctionProc(name);
}

void platformShowCursor(bool visible) {
    webShowCursor(visible ? 1 : 0);
}

// The browser delivers events while the program yields in platformPresent.
bool platformPumpMessage() {
    return false;
}

bool platformEscapePressed() {
    commitFrame();
    if (test.endAfterLast && test.atCount > 0 && nextAt >= test.atCount) return true;
    return webQuitRequested() != 0;
}

void platformPresent() {
    if (audioStarted)
        presentMainLoopFrame();
    else if (test.fps > 0)
        presentLoaderFrame();
    webYield(audioStarted ? 1 : 0);
}

void platformStartAudio(const void* pcm, uint32_t bytes) {
    audioStarted = true;
    audioBytes = bytes;
    if (test.fps > 0) {
        reportHash(pcm, bytes);
        return;
    }
    webStartAudio(pcm, bytes);
}

int32_t platformAudioPosition() {
    if (!audioStarted) return 0;
    commitFrame();
    if (test.fps == 0) return webAudioPosition();
    const int64_t played = frameIndex * sampleRate / test.fps * bytesPerFrame;
    return static_cast<int32_t>(played < int64_t(audioBytes) ? played : int64_t(audioBytes));
}

void platformExit(int code) {
    commitFrame();
    std::fflush(stdout);
    std::fflush(stderr);
    webExit(code);
}

// Process entry: the page passes its test options as the arguments.
int main(int argc, char** argv) {
    platformCommandLine(argc, argv);
    introMain();
}
