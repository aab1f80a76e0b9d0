// SDL backend: a borderless full-screen window at the desktop resolution with
// a double-buffered compatibility GL context, the soundtrack played once
// through the default audio device, Escape from the keyboard state. Closing
// the window, SIGINT and SIGTERM end the run like Escape (a signal during
// loading ends it at once).
#define SDL_MAIN_HANDLED
#include "platform/platform.h"
#include <SDL.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

SDL_Window* window;
SDL_GLContext glContext;

const uint8_t* audioData;
uint32_t audioBytes;
std::atomic<uint32_t> audioConsumed;
bool audioMissing;

volatile std::sig_atomic_t signalled;
volatile std::sig_atomic_t playing;
bool quitRequested;

// During loading nothing needs to be kept: end at once. During playback the
// loop ends after its frame, as with Escape.
void onSignal(int) {
    if (!playing) _exit(0);
    signalled = 1;
}

// Hands the device the next piece of the buffer; silence after its end.
void fillAudio(void*, Uint8* stream, int length) {
    const uint32_t consumed = audioConsumed.load(std::memory_order_relaxed);
    const uint32_t left = audioBytes - consumed;
    const uint32_t count = uint32_t(length) < left ? uint32_t(length) : left;
    std::memcpy(stream, audioData + consumed, count);
    std::memset(stream + count, 0, size_t(length) - count);
    audioConsumed.store(consumed + count, std::memory_order_relaxed);
}

bool initVideo() {
    return SDL_WasInit(SDL_INIT_VIDEO) || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

} // namespace

void platformCommandLine(int, char**) {
    SDL_SetMainReady();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

void platformScreenSize(int32_t* width, int32_t* height) {
    SDL_DisplayMode mode{};
    if (!initVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        mode.w = 0;
        mode.h = 0;
    }
    *width = mode.w;
    *height = mode.h;
}

bool platformCreateWindow(int32_t width, int32_t height) {
    if (!initVideo() || width <= 0 || height <= 0) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP |
                         SDL_WINDOW_SHOWN;
    window = SDL_CreateWindow("", 0, 0, width, height, flags);
    return window != nullptr;
}

// The pixel format was requested with the window's GL attributes.
bool platformSetPixelFormat() {
    return window != nullptr;
}

bool platformCreateContext() {
    glContext = SDL_GL_CreateContext(window);
    return glContext && SDL_GL_MakeCurrent(window, glContext) == 0;
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
    return true;
}

bool platformEscapePressed() {
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    return quitRequested || signalled || (keys && keys[SDL_SCANCODE_ESCAPE]);
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
    SDL_AudioDeviceID device = 0;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    }
    if (device == 0) {
        audioMissing = true;
        return;
    }
    SDL_PauseAudioDevice(device, 0);
}

int32_t platformAudioPosition() {
    if (audioMissing) return -1;
    return int32_t(audioConsumed.load(std::memory_order_relaxed));
}

void platformExit(int code) {
    SDL_Quit();
    std::exit(code);
}
