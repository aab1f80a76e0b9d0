// The platform layer: the few operations the portable core needs from the
// system. Exactly one backend (win32.cpp, sdl.cpp or headless.cpp) is linked
// into a program; template.md says what a backend must provide.
#pragma once
#include <cstdint>

// Window and GL context, in start-up order.
void platformScreenSize(int32_t* width, int32_t* height);
bool platformCreateWindow(int32_t width, int32_t height); // false: exit -1
bool platformSetPixelFormat();                            // false: exit -1
bool platformCreateContext();                             // false: exit -1
void* platformGetGlProc(const char* name);                // null if missing
void platformShowCursor(bool visible);

// Frame loop.
bool platformPumpMessage(); // handles one pending message; false when none was pending
bool platformEscapePressed(); // Escape down, or the user asked to quit
void platformPresent();       // swap buffers (the headless backend records the frame)

// Audio output of a 44100 Hz 16-bit stereo buffer played once from its start.
void platformStartAudio(const void* pcm, uint32_t bytes);
// Bytes played since platformStartAudio (0 before it); -1 when no audio device
// could be opened, so that the music clock can fall back to the wall clock.
int32_t platformAudioPosition();

// Process end.
[[noreturn]] void platformExit(int code);

// Process entry of the sdl and headless backends: frame/main.cpp hands the
// command line to the backend, then runs introMain(). The win32 backend has
// an entry of its own and does not need this.
void platformCommandLine(int argc, char** argv);
