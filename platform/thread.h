// One extra thread, started and joined; used only by the music generator.
#pragma once
#include <cstdint>

using ThreadRoutine = void (*)(int32_t arg);
struct ThreadHandle {
    void* opaque;
};

ThreadHandle platformStartThread(ThreadRoutine routine, int32_t arg);
void platformJoinThread(ThreadHandle thread);
