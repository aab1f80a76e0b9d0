// The synthesiser alone, for the page's worker (web/page/synth_worker.js):
// renders the whole soundtrack in a memory of its own while the program goes
// on with its start-up. The browser's thread shim starts no thread, so genMus
// renders both channels here.
#include "synth/genmus.h"
#include "synth/synth.h"
#include <emscripten.h>

// MusBuf, both channels rendered; null when the song data is broken.
extern "C" EMSCRIPTEN_KEEPALIVE const int16_t* synthSoundtrack() {
    genMus();
    return musError() == SynthError::none ? MusBuf : nullptr;
}
