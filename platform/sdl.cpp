// SDL backend: a borderless full-screen window at the desktop resolution with
// a double-buffered compatibility GL context paced by the display, the
// soundtrack played once through the default audio device with a smooth
// position, Escape from the key events (a press and release between two
// frames counts) and the keyboard state. Closing the window, SIGINT and
// SIGTERM end the run like Escape (a signal during loading ends it at once).
// Without a real display the window is refused, unless SDL_VIDEODRIVER names
// a driver. For the viewer: a resizable window instead, full screen on and
// off, its keys, and playback moved or held.
#define SDL_MAIN_HANDLED
#include "platform/audio_clock.h"
#include "platform/platform.h"
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

SDL_Window* window;
SDL_GLContext glContext;

SDL_AudioDeviceID audioDevice;
const uint8_t* audioData;
uint32_t audioBytes;
bool audioMissing;
// Both guarded by the device lock, under which the callback runs.
int64_t streamEnd; // bytes handed to the device, silence after the data included
AudioClock audioClock;

uint32_t audioStart; // where playback begins (a seek before it starts)

bool windowRequested;
int32_t windowWidth;
int32_t windowHeight;

// Viewer keys pressed and not yet taken; the oldest are kept when it is full.
PlatformKey keyQueue[16];
int keyCount;

volatile std::sig_atomic_t signalled;
volatile std::sig_atomic_t playing;
bool quitRequested;
bool escapeDown; // a press of Escape seen in the event queue

// During loading nothing needs to be kept: end at once. During playback the
// loop ends after its frame, as with Escape.
void onSignal(int) {
    if (!playing) _exit(0);
    signalled = 1;
}

int64_t nowNs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

// Hands the device the next piece of the buffer; silence after its end.
void fillAudio(void*, Uint8* stream, int length) {
    const int64_t handedAt = nowNs();
    const int64_t left = std::max<int64_t>(int64_t(audioBytes) - streamEnd, 0);
    const int64_t count = std::min<int64_t>(length, left);
    if (count > 0) std::memcpy(stream, audioData + streamEnd, size_t(count));
    std::memset(stream + count, 0, size_t(length - count));
    streamEnd += length;
    audioClockHandOver(audioClock, streamEnd, handedAt);
}

struct KeyBinding {
    SDL_Scancode scancode;
    PlatformKey key;
};
constexpr KeyBinding keyBindings[] = {
    {SDL_SCANCODE_SPACE, PlatformKey::pause},   {SDL_SCANCODE_LEFT, PlatformKey::back},
    {SDL_SCANCODE_RIGHT, PlatformKey::forward}, {SDL_SCANCODE_F, PlatformKey::fullscreen},
    {SDL_SCANCODE_I, PlatformKey::overlay},
};

void queueKey(const SDL_KeyboardEvent& event) {
    for (const KeyBinding& binding : keyBindings) {
        if (binding.scancode != event.keysym.scancode) continue;
        const bool seek = binding.key == PlatformKey::back || binding.key == PlatformKey::forward;
        if (event.repeat && !seek) return; // held keys repeat only the seeks
        if (keyCount < int(std::size(keyQueue))) keyQueue[keyCount++] = binding.key;
        return;
    }
}

bool named(const char* variable) {
    const char* value = SDL_getenv(variable);
    return value && *value;
}

// Without an X display, a Wayland display or a driver named, there is no
// display to try (and the libraries would print lines of their own).
bool displayNamed() {
    return named("SDL_VIDEODRIVER") || named("DISPLAY") || named("WAYLAND_DISPLAY");
}

// SDL falls back to drivers that show nothing when no display answers; those
// count as a display only when asked for by name.
bool realDisplay() {
    if (named("SDL_VIDEODRIVER")) return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

// An X server whose last client has just left resets and refuses connections
// for a moment (a bare server with one program started after another sees
// this): the display is tried again for up to a second.
bool initVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return realDisplay();
    if (!displayNamed()) return false;
    if (named("DISPLAY") && !named("WAYLAND_DISPLAY")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            if (realDisplay()) return true;
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        SDL_Delay(100);
    }
    return false;
}

} // namespace

void platformCommandLine(int, char**) {
    SDL_SetMainReady();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

void platformScreenSize(int32_t* width, int32_t* height) {
    if (windowRequested) {
        *width = windowWidth;
        *height = windowHeight;
        return;
    }
    SDL_DisplayMode mode{};
    if (!initVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        mode.w = 0;
        mode.h = 0;
    }
    *width = mode.w;
    *height = mode.h;
}

bool platformCreateWindow(int32_t width, int32_t height) {
    if (!displayNamed()) {
        std::fputs("intro: no display found; to record the presentation use scripts/capture.sh\n",
                   stderr);
        return false;
    }
    if (!initVideo()) {
        const char* display = SDL_getenv("DISPLAY");
        std::fprintf(stderr, "intro: could not open the display %s (%s)\n", display ? display : "",
                     SDL_GetError());
        return false;
    }
    if (width <= 0 || height <= 0) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (windowRequested) {
        const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN;
        window = SDL_CreateWindow("intro", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                  height, flags);
    } else {
        const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS |
                             SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_SHOWN;
        window = SDL_CreateWindow("", 0, 0, width, height, flags);
    }
    if (!window) std::fprintf(stderr, "intro: could not create the window: %s\n", SDL_GetError());
    return window != nullptr;
}

// The pixel format was requested with the window's GL attributes.
bool platformSetPixelFormat() {
    return window != nullptr;
}

// Swaps wait for the display (adaptive where offered: a late frame is shown at
// once rather than a whole refresh later), so frames do not tear.
bool platformCreateContext() {
    glContext = SDL_GL_CreateContext(window);
    if (!glContext || SDL_GL_MakeCurrent(window, glContext) != 0) return false;
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
    return true;
}

void* platformGetGlProc(const char* name) {
    return SDL_GL_GetProcAddress(name);
}

void platformShowCursor(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool platformPumpMessage() {
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    if (event.type == SDL_QUIT) quitRequested = true;
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)
        quitRequested = true;
    if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
        escapeDown = true;
    if (event.type == SDL_KEYDOWN) queueKey(event.key);
    return true;
}

bool platformEscapePressed() {
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    return quitRequested || signalled || escapeDown || (keys && keys[SDL_SCANCODE_ESCAPE]);
}

void platformPresent() {
    SDL_GL_SwapWindow(window);
}

void platformStartAudio(const void* pcm, uint32_t bytes) {
    playing = 1;
    audioData = static_cast<const uint8_t*>(pcm);
    audioBytes = bytes;
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = fillAudio;
    SDL_AudioSpec obtained{};
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        audioDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    }
    if (audioDevice == 0) {
        audioMissing = true;
        return;
    }
    // The device opens paused: no callback runs before it is unpaused.
    streamEnd = audioStart;
    audioClock.deviceBytes = obtained.size;
    audioClockRestart(audioClock, audioStart);
    SDL_PauseAudioDevice(audioDevice, 0);
}

int32_t platformAudioPosition() {
    if (audioMissing) return -1;
    if (audioDevice == 0) return 0;
    SDL_LockAudioDevice(audioDevice);
    const int64_t heard = audioClockRead(audioClock, nowNs());
    SDL_UnlockAudioDevice(audioDevice);
    return int32_t(std::min<int64_t>(heard, audioBytes));
}

void platformRequestWindow(bool fullscreen, int32_t width, int32_t height) {
    windowRequested = !fullscreen;
    windowWidth = width > 0 ? width : 1280;
    windowHeight = height > 0 ? height : 720;
}

// A window that started full screen gets a border and the default size the
// first time it leaves full screen.
void platformSetFullscreen(bool fullscreen) {
    if (!window) return;
    SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    if (fullscreen || windowRequested) return;
    windowRequested = true;
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowResizable(window, SDL_TRUE);
    SDL_SetWindowSize(window, windowWidth, windowHeight);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

namespace {

// The size an X window really has: without a window manager, full screen is
// only SDL's idea and the window keeps its size.
bool x11WindowSize(int* width, int* height) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes))
        return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

} // namespace

void platformDrawableSize(int32_t* width, int32_t* height) {
    int w = 0, h = 0;
    if (window && !x11WindowSize(&w, &h)) SDL_GL_GetDrawableSize(window, &w, &h);
    *width = w;
    *height = h;
}

PlatformKey platformNextKey() {
    if (keyCount == 0) return PlatformKey::none;
    const PlatformKey key = keyQueue[0];
    std::copy(keyQueue + 1, keyQueue + keyCount, keyQueue);
    --keyCount;
    return key;
}

// The device goes on from the new byte; what it still holds of the old
// position plays out first, and the clock waits for the new data to be heard.
void platformSeekAudio(uint32_t byte) {
    audioStart = std::min(byte, audioBytes ? audioBytes : byte);
    if (audioDevice == 0) return;
    SDL_LockAudioDevice(audioDevice);
    streamEnd = audioStart;
    audioClockRestart(audioClock, audioStart);
    SDL_UnlockAudioDevice(audioDevice);
}

// A pause holds the clock at what was heard; on resume the device is fed
// again from there.
void platformPauseAudio(bool paused) {
    if (audioDevice == 0) return;
    if (paused) {
        SDL_PauseAudioDevice(audioDevice, 1);
        SDL_LockAudioDevice(audioDevice);
        audioClockFreeze(audioClock, nowNs());
        SDL_UnlockAudioDevice(audioDevice);
        return;
    }
    SDL_LockAudioDevice(audioDevice);
    const int64_t heard = audioClockRead(audioClock, nowNs());
    streamEnd = heard;
    audioClockRestart(audioClock, heard);
    SDL_UnlockAudioDevice(audioDevice);
    SDL_PauseAudioDevice(audioDevice, 0);
}

void platformExit(int code) {
    SDL_Quit();
    std::exit(code);
}
