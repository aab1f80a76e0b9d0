// One extra thread, started and joined; used only by the music generator.
#pragma once
#include <cstdint>

using ThreadRoutine = void (*)(int32_t arg);
struct ThreadHandle {
    void* opaque;
};

ThreadHandle platformStartThread(ThreadRoutine routine, int32_t arg);
void platformJoinThread(ThreadHandle thread);

// Where the system renders the whole soundtrack outside this program (the
// browser's worker), the start-up goes on meanwhile: true when it started;
// false where there is no such place. The finish waits for it and puts it
// into pcm (frames stereo frames); false when none came, and the caller
// renders it itself.
bool platformStartSoundtrack(uint32_t frames);
bool platformFinishSoundtrack(int16_t* pcm, uint32_t frames);
