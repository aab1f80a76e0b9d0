// The synthesiser alone, for the page's worker (web/page/synth_worker.js):
// renders one channel of the soundtrack in a memory of its own while the
// program renders the other.
#include "synth/genmus.h"
#include "synth/synth.h"
#include <emscripten.h>

// The channel's samples are every second word of MusBuf from word w / 2 on;
// null when the song data is broken.
extern "C" EMSCRIPTEN_KEEPALIVE const int16_t* synthChannel(int32_t w) {
    if (!prepareSong(bestLayerPath())) return nullptr;
    genWorker(w);
    return MusBuf;
}
