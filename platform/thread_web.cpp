// The music generator's threads in the browser. The program itself has one
// thread; a worker of the page (web/page/synth_worker.js) runs its own copy
// of the synthesiser and renders the whole soundtrack while the start-up goes
// on, then sends it back. It shares no memory with the program, so the page
// needs no cross-origin isolation. Without the worker, or when it fails, the
// program renders the soundtrack itself, both channels on its one thread.
#include "platform/platform.h"
#include "platform/thread.h"
#include <emscripten.h>

extern "C" {
int webStartSoundtrack(uint32_t frames);
int webSoundtrackPending();
int webTakeSoundtrack(int16_t* pcm, uint32_t frames);
int webQuitRequested();
}

ThreadHandle platformStartThread(ThreadRoutine, int32_t) {
    return ThreadHandle{nullptr};
}

void platformJoinThread(ThreadHandle) {}

bool platformStartSoundtrack(uint32_t frames) {
    return webStartSoundtrack(frames) != 0;
}

// Waits without blocking the page (Escape ends the program, as everywhere
// during loading), at most a minute: a worker still busy then is given up.
bool platformFinishSoundtrack(int16_t* pcm, uint32_t frames) {
    const double deadline = emscripten_get_now() + 60000;
    while (webSoundtrackPending() && emscripten_get_now() < deadline) {
        emscripten_sleep(5);
        if (webQuitRequested()) platformExit(0);
    }
    return webTakeSoundtrack(pcm, frames) != 0;
}
