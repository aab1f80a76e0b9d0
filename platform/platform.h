// The platform layer: the few operations the portable core needs from the
// system. Exactly one backend (win32.cpp, sdl.cpp, headless.cpp or web.cpp) is
// linked into a program; template.md says what a backend must provide.
#pragma once
#include <cstdint>

// Window and GL context, in start-up order.
void platformScreenSize(int32_t* width, int32_t* height);
bool platformCreateWindow(int32_t width, int32_t height); // false: exit -1
bool platformSetPixelFormat();                            // false: exit -1
bool platformCreateContext();                             // false: exit -1
void* platformGetGlProc(const char* name);                // null if missing
void platformShowCursor(bool visible);

// Called between the pieces of long start-up work (the synthesis, on either
// worker): where the program runs on the system's only thread (the web page)
// the system's events and drawing run here, and a request to quit ends the
// process with 0. Elsewhere it does nothing (platform/responsive_none.cpp).
void platformKeepResponsive();

// Frame loop.
bool platformPumpMessage();   // handles one pending message; false when none was pending
bool platformEscapePressed(); // Escape down, or the user asked to quit
void platformPresent();       // swap buffers (the headless backend records the frame)

// Audio output of a 44100 Hz 16-bit stereo buffer played once from its start.
void platformStartAudio(const void* pcm, uint32_t bytes);
// The byte of that buffer playback has reached (0 before platformStartAudio);
// -1 when no audio device could be opened, so that the music clock can fall
// back to the wall clock.
int32_t platformAudioPosition();

// Viewer controls: only the programs with the viewer (sdl, headless) call
// these; the win32 product and the web program do not have them.
enum class PlatformKey { none, pause, back, forward, fullscreen, overlay };
// Before start-up: a window of width x height (0 x 0: a default size) that
// the user may resize, or full screen (the default).
void platformRequestWindow(bool fullscreen, int32_t width, int32_t height);
void platformSetFullscreen(bool fullscreen);
void platformDrawableSize(int32_t* width, int32_t* height); // pixels drawn into now
PlatformKey platformNextKey(); // the next viewer key pressed, none when none is left
// Playback moves to that byte of the buffer (before platformStartAudio: it
// starts there); a pause holds the position until resumed.
void platformSeekAudio(uint32_t byte);
void platformPauseAudio(bool paused);

// Process end.
[[noreturn]] void platformExit(int code);

// Process entry of the sdl and headless backends: frame/main.cpp hands the
// command line to the backend, then runs introMain(). The win32 backend has
// an entry of its own and does not need this.
void platformCommandLine(int argc, char** argv);
