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
int32_t platformAudioPosition(); // bytes played since platformStartAudio

// Process end.
[[noreturn]] void platformExit(int code);
