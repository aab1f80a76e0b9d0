// The music generator's extra thread in the browser: a worker of the page
// (web/page/synth_worker.js) runs its own copy of the synthesiser and sends
// back the channel it rendered, which lands in MusBuf here. The page needs
// no shared memory for this. Only genWorker can run there; for any other
// routine, or where the page has no worker, no thread starts and the caller
// runs the routine itself, as without threads.
#include "platform/platform.h"
#include "platform/thread.h"
#include "synth/genmus.h"
#include "synth/synth.h"
#include <emscripten.h>

extern "C" {
int webStartSynthChannel(int32_t channel, uint32_t frames);
int webSynthChannelPending();
int webTakeSynthChannel(int16_t* pcm, int32_t channel);
int webQuitRequested();
}

namespace {

struct RemoteChannel {
    int32_t channel;
    double startMs;
};
RemoteChannel remote;

} // namespace

ThreadHandle platformStartThread(ThreadRoutine routine, int32_t arg) {
    if (routine != genWorker || !webStartSynthChannel(arg, musFrames)) return ThreadHandle{nullptr};
    remote.channel = arg;
    remote.startMs = emscripten_get_now();
    return ThreadHandle{&remote};
}

// Waits without blocking the page (Escape ends the program, as everywhere
// during loading). A worker that failed, or that has not answered by the time
// this thread could have rendered the channel once more, leaves the channel to
// this thread.
void platformJoinThread(ThreadHandle thread) {
    if (!thread.opaque) return;
    const double ownChannelMs = emscripten_get_now() - remote.startMs;
    const double deadline = emscripten_get_now() + ownChannelMs + 2000;
    while (webSynthChannelPending() && emscripten_get_now() < deadline) {
        emscripten_sleep(5);
        if (webQuitRequested()) platformExit(0);
    }
    if (!webTakeSynthChannel(MusBuf, remote.channel)) genWorker(remote.channel);
}
