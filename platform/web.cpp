// Web backend: the page's canvas with a WebGL 2 context (the fixed-function
// layer of web/ over it), the soundtrack played by Web Audio with the music
// clock taken from the audio context's output timestamp (the wall clock where
// the browser gives no sound), the viewer's keys from the page. Every present
// hands control back to the browser (the program runs under Asyncify):
// main-loop frames wait for the next animation frame, loader ticks and the
// breaks of the synthesis only for the browser's pending work.
//
// The page's arguments: --start SECONDS (the address's #t=) begins there as
// the native viewer does. Test mode (--test-clock FPS) gives the page the
// headless backend's virtual clock, one frame period per main-loop frame, and
// hands chosen frames and the soundtrack's hash to the page.
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "scenes/scenes.h"
#include "viewer/viewer.h"
#include "web/fixed_function.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

// Page side: web/library_web.js.
extern "C" {
void webScreenSize(int32_t* width, int32_t* height);
int webPrepareCanvas(int32_t width, int32_t height);
void webDrawableSize(int32_t* width, int32_t* height);
void webShowCursor(int visible);
int webQuitRequested();
int webNextKey();
void webYield(int toAnimationFrame);
void webStartAudio(const void* pcm, uint32_t bytes);
int32_t webAudioPosition();
void webSeekAudio(uint32_t byte);
void webPauseAudio(int paused);
void webCapture(const char* name);
void webKeepCapture(const char* name, double musicTime, double sceneTime, const char* scene);
void webReport(const char* key, const char* value);
[[noreturn]] void webExit(int code);
}

namespace {

constexpr int maxTimes = 64;
constexpr double breakEveryMs = 25; // work between two breaks of the synthesis

// The virtual clock of test mode and the frames it hands over.
struct TestMode {
    FrameRate rate{0, 1}; // num 0: the real audio clock
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

// The virtual clock: the byte playback (re)started from and the main-loop
// frames shown while playing since then.
struct VirtualAudio {
    uint32_t base;
    int64_t framesSinceBase;
    bool paused;
};

TestMode test;
PendingFrame pending;
VirtualAudio virtualAudio;
bool audioStarted;
bool viewerWanted;
uint32_t audioBytes;
int64_t frameIndex;
int nextAt;
double lastBreak;
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;

bool testClock() {
    return test.rate.num > 0;
}

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
    pending.captured = testClock() && wantsFrame(intro.musicTime);
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
    if (!virtualAudio.paused) ++virtualAudio.framesSinceBase;
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

// The loader draws into the whole canvas, which follows the page's size.
void fitLoaderViewport() {
    int32_t width = 0, height = 0;
    webDrawableSize(&width, &height);
    glViewport(0, 0, width, height);
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

uint32_t virtualPosition() {
    const int64_t played = int64_t(virtualAudio.base) +
                           gridSamples(virtualAudio.framesSinceBase, test.rate) * audioFrameBytes;
    return uint32_t(std::min<int64_t>(played, audioBytes));
}

PlatformKey keyFromPage(int code) {
    switch (code) {
    case 1:
        return PlatformKey::pause;
    case 2:
        return PlatformKey::back;
    case 3:
        return PlatformKey::forward;
    case 4:
        return PlatformKey::overlay;
    default:
        return PlatformKey::none;
    }
}

} // namespace

void platformCommandLine(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* option = argv[i];
        const char* value = argv[i + 1];
        if (std::strcmp(option, "--test-clock") == 0) {
            test.rate.num = std::atoi(value) > 0 ? uint32_t(std::atoi(value)) : 30;
        } else if (std::strcmp(option, "--at") == 0) {
            test.atCount = parseList(value, test.at, maxTimes);
        } else if (std::strcmp(option, "--loader-ticks") == 0) {
            test.loaderTickCount = parseList(value, test.loaderTicks, maxTimes);
        } else if (std::strcmp(option, "--end-after-last") == 0) {
            test.endAfterLast = std::strcmp(value, "0") != 0;
        } else if (std::strcmp(option, "--start") == 0) {
            viewer.start = std::clamp(std::strtod(value, nullptr), 0.0, 134.3);
            viewerWanted = true;
        }
    }
    // Outside test mode the page always offers the viewer's keys.
    if (!testClock()) viewerWanted = true;
    if (testClock()) viewer.seekRate = test.rate;
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

// The synthesis hands control to the browser now and then; Escape there
// ends the program as it does everywhere during loading.
void platformKeepResponsive() {
    const double now = emscripten_get_now();
    if (now - lastBreak < breakEveryMs) return;
    webYield(0);
    lastBreak = emscripten_get_now();
    if (webQuitRequested()) platformExit(0);
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
    if (audioStarted) {
        presentMainLoopFrame();
        webYield(1);
        return;
    }
    if (testClock()) presentLoaderFrame();
    webYield(0);
    // A program drawn with for the first time may keep the driver busy for
    // seconds (web/fixed_function.cpp): the loader waits without blocking.
    while (fixedFunctionFirstUsePending() && !webQuitRequested())
        emscripten_sleep(10);
    lastBreak = emscripten_get_now();
    fitLoaderViewport();
}

void platformStartAudio(const void* pcm, uint32_t bytes) {
    audioStarted = true;
    audioBytes = bytes;
    if (testClock()) {
        reportHash(pcm, bytes);
        return;
    }
    webStartAudio(pcm, bytes);
}

int32_t platformAudioPosition() {
    if (!audioStarted) return 0;
    commitFrame();
    if (testClock()) return int32_t(virtualPosition());
    return webAudioPosition();
}

// The canvas is sized by the page: full size, or smaller where the browser
// draws slowly (the page stretches it over the window).
void platformRequestWindow(bool, int32_t, int32_t) {}

// Full screen needs a user gesture: the page switches it on its key event.
void platformSetFullscreen(bool) {}

void platformDrawableSize(int32_t* width, int32_t* height) {
    webDrawableSize(width, height);
}

PlatformKey platformNextKey() {
    return keyFromPage(webNextKey());
}

void platformSeekAudio(uint32_t byte) {
    if (testClock()) {
        virtualAudio.base = byte;
        virtualAudio.framesSinceBase = 0;
        return;
    }
    webSeekAudio(byte);
}

void platformPauseAudio(bool paused) {
    if (testClock()) {
        if (paused) platformSeekAudio(virtualPosition());
        virtualAudio.paused = paused;
        return;
    }
    webPauseAudio(paused ? 1 : 0);
}

void platformExit(int code) {
    commitFrame();
    std::fflush(stdout);
    std::fflush(stderr);
    webExit(code);
}

// Process entry: the page passes its options as the arguments.
int main(int argc, char** argv) {
    platformCommandLine(argc, argv);
    if (viewerWanted) viewerMain();
    introMain();
}
