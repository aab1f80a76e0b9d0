// Headless backend: an offscreen EGL context whose framebuffer object stands
// in for the screen, a virtual audio device that advances by one frame period
// per presented main-loop frame (so runs are deterministic however slowly they
// render), and output of the presented frames as PNG files, raw video and a
// log. Options come from the command line; --help lists them.
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "scenes/scenes.h"
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <png.h>
#include <string>
#include <vector>

namespace {

constexpr uint32_t bytesPerFrame = 4; // 16-bit stereo
constexpr uint32_t sampleRate = 44100;
constexpr int textureSize = 1024;

struct Options {
    int32_t width = 1280;
    int32_t height = 720;
    int32_t fps = 30;
    std::string pngDir;
    int32_t pngEvery = 0;              // 0: only the --at times
    std::vector<double> pngAt;         // music times, ascending
    std::vector<uint32_t> loaderTicks; // loader-bar frames to write
    std::string rawPath;
    std::string wavPath;
    std::string logPath;
    std::string reportPath;
    std::string hiddenEntry;
    bool failPixelFormat = false;
    bool failContext = false;
    int64_t escapeFrame = -1;
    bool escapeLoading = false;
    bool noAudio = false;
    bool stamp = false;
};

struct PendingFrame {
    bool present;   // a main-loop frame was presented and not yet committed
    bool hasPixels; // its pixels were read back
    bool wantsPng;
    int presents; // presents in this pass: 2 when a blank frame came first
    double musicTime;
    double sceneTime;
    const char* scene;
};

Options options;
const auto processStart = std::chrono::steady_clock::now();

EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;

bool audioStarted;
uint32_t audioBytes;
int64_t frameIndex; // main-loop frames committed so far
size_t nextPngAt;
PendingFrame pending;
std::vector<uint8_t> pixels;
std::FILE* logFile;
std::FILE* rawFile;

[[noreturn]] void usage(const char* problem, int code = 2) {
    std::fprintf(
        code ? stderr : stdout,
        "%s\n"
        "usage: intro_headless [options]\n"
        "  --size WxH           screen size (1280x720)\n"
        "  --fps N              virtual frame rate of the music clock (30)\n"
        "  --png DIR            write frames as PNG files into DIR\n"
        "  --every N            write every Nth main-loop frame (with --png)\n"
        "  --at T1,T2,...       write the first frames at these music times (s)\n"
        "  --loader-ticks N,... write the loader bar after these ticks\n"
        "  --raw FILE|-         write every main-loop frame as raw RGBA, rows top-down\n"
        "  --wav FILE           write the soundtrack as a WAV file when it starts\n"
        "  --log FILE|-         a line per frame: number, musicTime, sceneTime, scene, presents\n"
        "  --stamp              add milliseconds since start to every log line\n"
        "  --report FILE        state after start-up, written at the first frame\n"
        "  --escape-frame N     press Escape once frame N is presented\n"
        "  --escape-loading     hold Escape from the start\n"
        "  --no-audio           behave as if no audio device could be opened\n"
        "  --hide-entry NAME    answer this GL entry-point name with null\n"
        "  --fail-pixel-format  fail the setting of the pixel format\n"
        "  --fail-context       fail the GL context creation\n",
        problem);
    std::exit(code);
}

double elapsedMs() {
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - processStart;
    return elapsed.count();
}

bool parseInt(const char* text, int64_t low, int64_t high, int64_t* value) {
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (end == text || *end || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

template <typename T> std::vector<T> parseList(const char* text, const char* option) {
    std::vector<T> values;
    const char* at = text;
    while (*at) {
        char* end = nullptr;
        const double value = std::strtod(at, &end);
        if (end == at || value < 0) usage(option);
        values.push_back(static_cast<T>(value));
        at = *end == ',' ? end + 1 : end;
        if (*end && *end != ',') usage(option);
    }
    for (size_t i = 1; i < values.size(); ++i) {
        if (values[i] < values[i - 1]) usage(option);
    }
    return values;
}

void parseSize(const char* text) {
    int w = 0, h = 0;
    char tail = 0;
    if (std::sscanf(text, "%dx%d%c", &w, &h, &tail) != 2 || w < 1 || h < 1 || w > 8192 ||
        h > 8192) {
        usage("--size wants WxH, 1 to 8192 each");
    }
    options.width = w;
    options.height = h;
}

std::FILE* openOutput(const std::string& path, const char* mode) {
    if (path == "-") return stdout;
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) {
        std::fprintf(stderr, "intro_headless: cannot write %s\n", path.c_str());
        std::exit(2);
    }
    return file;
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
    storage(renderbufferTarget, rgba8, options.width, options.height);
    attach(framebufferTarget, colorAttachment0, renderbufferTarget, buffers[0]);
    bindRenderbuffer(renderbufferTarget, buffers[1]);
    storage(renderbufferTarget, depthComponent24, options.width, options.height);
    attach(framebufferTarget, depthAttachment, renderbufferTarget, buffers[1]);
    bindRenderbuffer(renderbufferTarget, 0);
    if (check(framebufferTarget) != framebufferComplete) return false;
    // A window's initial viewport covers it; the framebuffer gets the same.
    glViewport(0, 0, options.width, options.height);
    return true;
}

// --- frame output ---

void readScreen() {
    pixels.resize(size_t(options.width) * size_t(options.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, options.width, options.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // A screen shows no transparency: the written frames are opaque.
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
}

// GL rows come bottom-up; the negative stride writes them top-down.
void writePng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(options.width);
    image.height = uint32_t(options.height);
    image.format = PNG_FORMAT_RGBA;
    const png_int_32 stride = -png_int_32(options.width * 4);
    if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), stride, nullptr)) {
        std::fprintf(stderr, "intro_headless: cannot write %s: %s\n", path.c_str(), image.message);
    }
}

void writeRaw() {
    const size_t row = size_t(options.width) * 4;
    for (int32_t y = options.height - 1; y >= 0; --y) {
        std::fwrite(pixels.data() + size_t(y) * row, 1, row, rawFile);
    }
}

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char* format, ...) {
    if (!logFile) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(logFile, format, args);
    va_end(args);
    if (options.stamp) std::fprintf(logFile, " ms %.1f", elapsedMs());
    std::fputc('\n', logFile);
}

uint64_t hashBytes(const uint8_t* data, size_t size) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 1099511628211ull;
    return hash;
}

uint64_t textureHash(GLuint name) {
    static std::vector<uint8_t> image(size_t(textureSize) * textureSize * 4);
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    return hashBytes(image.data(), image.size());
}

// Start-up results, including a hash of every uploaded texture's content.
void writeReport() {
    std::FILE* file = openOutput(options.reportPath, "w");
    int glyphCount = 0, numberedCount = 0;
    for (uint32_t name : intro.textures.glyphs)
        glyphCount += name != 0;
    for (uint32_t name : intro.textures.numbered)
        numberedCount += name != 0;
    std::fprintf(file, "ticks %u\nglyphs %d\nnumbered %d\n", intro.progressTicks, glyphCount,
                 numberedCount);
    std::fprintf(file, "programs %u %u %u %u\ncurrent %u\n", intro.wavesProgram, intro.ballsProgram,
                 intro.flightProgram, intro.canProgram, intro.currentProgram);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    for (int code = 0; code < 256; ++code) {
        if (intro.textures.glyphs[code] == 0) continue;
        std::fprintf(file, "glyph %d %016llx\n", code,
                     (unsigned long long)textureHash(intro.textures.glyphs[code]));
    }
    for (int n = 0; n < 17; ++n) {
        if (intro.textures.numbered[n] == 0) continue;
        std::fprintf(file, "picture %d %016llx\n", n,
                     (unsigned long long)textureHash(intro.textures.numbered[n]));
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    if (file != stdout) std::fclose(file);
}

bool wantsPngAt(double musicTime) {
    if (options.pngDir.empty()) return false;
    if (options.pngEvery > 0 && frameIndex % options.pngEvery == 0) return true;
    return nextPngAt < options.pngAt.size() && musicTime >= options.pngAt[nextPngAt];
}

void presentLoaderFrame() {
    logLine("tick %u", intro.progressTicks);
    if (options.pngDir.empty()) return;
    for (uint32_t tick : options.loaderTicks) {
        if (tick != intro.progressTicks) continue;
        readScreen();
        char name[32];
        std::snprintf(name, sizeof name, "/loader-%03u.png", tick);
        writePng(options.pngDir + name);
    }
}

// A main-loop pass may present a blank frame before its scene frame; the
// last present before the pass reads the clock is the frame that counts.
void presentMainLoopFrame() {
    pending.presents = pending.present ? pending.presents + 1 : 1;
    pending.present = true;
    pending.musicTime = intro.musicTime;
    pending.sceneTime = intro.sceneTime;
    pending.scene = sceneRendererName(intro.sceneRenderer);
    pending.wantsPng = wantsPngAt(intro.musicTime);
    pending.hasPixels = pending.wantsPng || rawFile;
    if (pending.hasPixels) readScreen();
}

void commitFrame() {
    if (!pending.present) return;
    pending.present = false;
    logLine("frame %lld musicTime %.6f sceneTime %.6f scene %s presents %d", (long long)frameIndex,
            pending.musicTime, pending.sceneTime, pending.scene, pending.presents);
    if (pending.wantsPng) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06lld.png", (long long)frameIndex);
        writePng(options.pngDir + name);
        while (nextPngAt < options.pngAt.size() && pending.musicTime >= options.pngAt[nextPngAt])
            ++nextPngAt;
    }
    if (rawFile && pending.hasPixels) writeRaw();
    if (frameIndex == 0 && !options.reportPath.empty()) writeReport();
    ++frameIndex;
}

void writeWav(const void* pcm, uint32_t bytes) {
    std::FILE* file = openOutput(options.wavPath, "wb");
    auto put32 = [file](uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, file);
    };
    auto put16 = [file](uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, file);
    };
    std::fwrite("RIFF", 1, 4, file);
    put32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    put32(16);
    put16(1);
    put16(2);
    put32(sampleRate);
    put32(sampleRate * bytesPerFrame);
    put16(uint16_t(bytesPerFrame));
    put16(16);
    std::fwrite("data", 1, 4, file);
    put32(bytes);
    std::fwrite(pcm, 1, bytes, file);
    if (file != stdout) std::fclose(file);
}

} // namespace

void platformCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage((option + " needs a value").c_str());
            return argv[++i];
        };
        int64_t number = 0;
        if (option == "--size") {
            parseSize(value());
        } else if (option == "--fps") {
            if (!parseInt(value(), 1, 1000, &number)) usage("--fps wants 1 to 1000");
            options.fps = int32_t(number);
        } else if (option == "--png") {
            options.pngDir = value();
        } else if (option == "--every") {
            if (!parseInt(value(), 1, 1 << 30, &number)) usage("--every wants a positive count");
            options.pngEvery = int32_t(number);
        } else if (option == "--at") {
            options.pngAt = parseList<double>(value(), "--at wants ascending times");
        } else if (option == "--loader-ticks") {
            options.loaderTicks = parseList<uint32_t>(value(), "--loader-ticks wants counts");
        } else if (option == "--raw") {
            options.rawPath = value();
        } else if (option == "--wav") {
            options.wavPath = value();
        } else if (option == "--log") {
            options.logPath = value();
        } else if (option == "--stamp") {
            options.stamp = true;
        } else if (option == "--report") {
            options.reportPath = value();
        } else if (option == "--escape-frame") {
            if (!parseInt(value(), 0, INT64_MAX, &number)) usage("--escape-frame wants a frame");
            options.escapeFrame = number;
        } else if (option == "--escape-loading") {
            options.escapeLoading = true;
        } else if (option == "--no-audio") {
            options.noAudio = true;
        } else if (option == "--hide-entry") {
            options.hiddenEntry = value();
        } else if (option == "--fail-pixel-format") {
            options.failPixelFormat = true;
        } else if (option == "--fail-context") {
            options.failContext = true;
        } else if (option == "--help") {
            usage("Renders the presentation offscreen.", 0);
        } else {
            usage(("unknown option " + option).c_str());
        }
    }
    if (!options.pngDir.empty() && options.pngEvery == 0 && options.pngAt.empty() &&
        options.loaderTicks.empty()) {
        options.pngEvery = 1;
    }
    if (!options.pngDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.pngDir, error);
    }
    if (!options.logPath.empty()) logFile = openOutput(options.logPath, "w");
    if (!options.rawPath.empty()) rawFile = openOutput(options.rawPath, "wb");
}

void platformScreenSize(int32_t* width, int32_t* height) {
    *width = options.width;
    *height = options.height;
}

bool platformCreateWindow(int32_t, int32_t) {
    return true;
}

bool platformSetPixelFormat() {
    return !options.failPixelFormat;
}

bool platformCreateContext() {
    return !options.failContext && createEglContext() && createScreenFramebuffer();
}

void* platformGetGlProc(const char* name) {
    if (options.hiddenEntry == name) return nullptr;
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

void platformShowCursor(bool) {}

bool platformPumpMessage() {
    return false;
}

bool platformEscapePressed() {
    commitFrame();
    if (options.escapeLoading) return true;
    return options.escapeFrame >= 0 && frameIndex > options.escapeFrame;
}

void platformPresent() {
    glFinish();
    if (audioStarted) {
        presentMainLoopFrame();
    } else {
        presentLoaderFrame();
    }
}

void platformStartAudio(const void* pcm, uint32_t bytes) {
    audioStarted = true;
    audioBytes = bytes;
    if (!options.wavPath.empty()) writeWav(pcm, bytes);
}

// Exactly one frame period per committed main-loop frame, in whole audio
// frames; the device stops at the end of the buffer.
int32_t platformAudioPosition() {
    if (!audioStarted) return 0;
    commitFrame();
    if (options.noAudio) return -1;
    const int64_t played = frameIndex * sampleRate / options.fps * bytesPerFrame;
    return int32_t(played < int64_t(audioBytes) ? played : int64_t(audioBytes));
}

void platformExit(int code) {
    commitFrame();
    if (logFile) std::fflush(logFile);
    if (rawFile) std::fflush(rawFile);
    std::fflush(stdout);
    std::exit(code);
}
