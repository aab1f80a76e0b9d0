// Windows backend: a borderless popup of the system class "static", a WGL
// context, WinMM wave output of the whole soundtrack, Escape from the
// asynchronous key state. Also the process entry.
#include "frame/intro.h"
#include "platform/platform.h"
#include <mmsystem.h>
#include <windows.h>

namespace {

HWND window;
HDC dc;

// The soundtrack is 44100 Hz, 16-bit stereo.
constexpr uint32_t bytesPerSecond = 176400;
constexpr uint32_t bytesPerFrame = 4;

const WAVEFORMATEX waveForm = {WAVE_FORMAT_PCM, 2, 44100, bytesPerSecond, bytesPerFrame, 16, 0};
WAVEHDR waveHdr;
HWAVEOUT waveHand;

// An Escape press seen in the message queue: a press shorter than one frame
// is gone from the asynchronous key state by the time the loop asks.
bool escapeQueued;

bool audioStarted;
bool wavePlaying;
uint32_t audioBytes;
int32_t lastPosition;

bool startWaveDevice(const void* pcm, uint32_t bytes) {
    WAVEFORMATEX format = waveForm;
    if (waveOutOpen(&waveHand, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        waveHand = nullptr;
        return false;
    }
    waveHdr = {};
    waveHdr.lpData = static_cast<LPSTR>(const_cast<void*>(pcm));
    waveHdr.dwBufferLength = bytes;
    if (waveOutPrepareHeader(waveHand, &waveHdr, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return false;
    return waveOutWrite(waveHand, &waveHdr, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

// Byte position from whatever unit the device answers in; -1 if unknown.
int64_t deviceBytes() {
    MMTIME time = {};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(waveHand, &time, sizeof(MMTIME)) != MMSYSERR_NOERROR) return -1;
    switch (time.wType) {
    case TIME_BYTES:
        return time.u.cb;
    case TIME_SAMPLES:
        return int64_t(time.u.sample) * bytesPerFrame;
    case TIME_MS:
        return int64_t(time.u.ms) * bytesPerSecond / 1000;
    default:
        return -1;
    }
}

} // namespace

void platformScreenSize(int32_t* width, int32_t* height) {
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

bool platformCreateWindow(int32_t width, int32_t height) {
    window = CreateWindowExA(0, "static", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                             nullptr, nullptr, nullptr, nullptr);
    if (!window) return false;
    dc = GetDC(window);
    return dc != nullptr;
}

bool platformSetPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cAlphaBits = 8;
    pfd.cDepthBits = 32;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &pfd);
    return SetPixelFormat(dc, format, &pfd) != FALSE;
}

bool platformCreateContext() {
    HGLRC context = wglCreateContext(dc);
    return context && wglMakeCurrent(dc, context);
}

void* platformGetGlProc(const char* name) {
    PROC proc = wglGetProcAddress(name);
    // Some drivers answer a missing name with a small sentinel instead of null.
    auto value = reinterpret_cast<intptr_t>(proc);
    if (value >= -1 && value <= 3) return nullptr;
    return reinterpret_cast<void*>(proc);
}

void platformShowCursor(bool visible) {
    ShowCursor(visible ? TRUE : FALSE);
}

bool platformPumpMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) escapeQueued = true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

bool platformEscapePressed() {
    // A closed window (Alt+F4 destroys a "static" popup) ends the run like Escape.
    return GetAsyncKeyState(VK_ESCAPE) != 0 || escapeQueued || !IsWindow(window);
}

void platformPresent() {
    wglSwapLayerBuffers(dc, WGL_SWAP_MAIN_PLANE);
}

void platformStartAudio(const void* pcm, uint32_t bytes) {
    audioBytes = bytes;
    lastPosition = 0;
    audioStarted = true;
    wavePlaying = startWaveDevice(pcm, bytes);
}

// -1 without a playing device: the music clock then follows the wall clock.
int32_t platformAudioPosition() {
    if (!audioStarted) return 0;
    if (!wavePlaying) return -1;
    int64_t bytes = deviceBytes();
    if (bytes > int64_t(audioBytes)) bytes = audioBytes;
    // Never run backwards (a failed query, or a driver resetting at the end).
    if (bytes > lastPosition) lastPosition = int32_t(bytes);
    return lastPosition;
}

void platformExit(int code) {
    ExitProcess(static_cast<UINT>(code));
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    introMain();
}
