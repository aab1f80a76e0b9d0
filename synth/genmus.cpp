#include "synth/genmus.h"
#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/thread.h"
#include "synth/fpmath.h"
#include "synth/song.h"
#include "synth/synth.h"
#include "synth/wforms.h"
#include <algorithm>
#include <cfenv>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

alignas(64) int16_t MusBuf[musFrames * 2];
SongLayout songLayout;
WorkerState vars[2];

namespace {

LayerPath musLayerPath = LayerPath::scalar;
bool soundtrackElsewhere = false; // genMusBegin handed it to the system

} // namespace

int16_t busToPcm(float value) {
    double x = value;
    if (x > 1.0) x = 1.0;
    if (x < -1.0) x = -1.0;
    if (x != x) x = 0.0;
    return int16_t(roundEven(x * double(finalamp)));
}

void convertChannel(const WorkerState& ws) {
    int16_t* out = MusBuf + ws.worker / 2;
    uint32_t f = 0;
#if defined(__SSE2__)
    // busToPcm two frames at a time: NaN to 0, clamp, scale, and the
    // conversion rounds to nearest even (the worker runs in the default
    // floating-point environment).
    const __m128d low = _mm_set1_pd(-1.0), high = _mm_set1_pd(1.0);
    const __m128d scale = _mm_set1_pd(double(finalamp));
    for (; f + 2 <= musFrames; f += 2) {
        const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(ws.mixBus + f));
        __m128d x = _mm_cvtps_pd(_mm_castsi128_ps(two));
        x = _mm_and_pd(x, _mm_cmpord_pd(x, x));
        x = _mm_min_pd(_mm_max_pd(x, low), high);
        const __m128i pcm = _mm_cvtpd_epi32(_mm_mul_pd(x, scale));
        out[2 * f] = int16_t(_mm_cvtsi128_si32(pcm));
        out[2 * f + 2] = int16_t(_mm_cvtsi128_si32(_mm_srli_si128(pcm, 4)));
    }
#endif
    for (; f < musFrames; ++f)
        out[2 * f] = busToPcm(ws.mixBus[f]);
}

void renderInstrument(WorkerState& ws, const SongLayout& song, uint32_t index, LayerPath path) {
    const InstrumentInfo& inst = song.instruments[index];
    ws.params = inst.params;
    ws.sampleTable[0] = ws.sampleStore;
    uint32_t number = 0;
    for (uint32_t g = 0; g < inst.groupCount; ++g) {
        const PitchGroupInfo& group = song.groups[inst.firstGroup + g];
        uint32_t readEnd = 0; // the envelopes read LayerBuffer up to their length
        for (uint32_t k = 0; k < group.sampleCount; ++k)
            readEnd = std::max(readEnd, song.samples[group.firstSample + k].envLength);
        renderLayers(ws, group, path, readEnd);
        for (uint32_t k = 0; k < group.sampleCount; ++k, ++number) {
            const NoteSampleInfo& note = song.samples[group.firstSample + k];
            uint32_t n = renderEnvelope(ws, note);
            float* out = ws.sampleStore + note.storeOffset;
            decimate(envelopeBuffer(ws), n, ws.params.gain, out);
            ws.sampleTable[number + 1] = out + note.frames;
        }
        platformKeepResponsive();
    }
}

void mixInstrument(WorkerState& ws, const SongLayout& song, uint32_t index) {
    const InstrumentInfo& inst = song.instruments[index];
    for (uint32_t e = 0; e < inst.eventCount; ++e) {
        const EventInfo& event = song.events[inst.firstEvent + e];
        const float* from = ws.sampleTable[event.sample];
        const float* to = ws.sampleTable[event.sample + 1];
        float* bus = ws.mixBus + event.frame;
        for (ptrdiff_t j = 0; j < to - from; ++j)
            bus[j] += from[j];
    }
}

void genWorker(int32_t w) {
    std::fesetenv(FE_DFL_ENV);
    WorkerState& ws = vars[w / 2];
    ws.worker = w;
    ws.layerSamples = 0;
    // Only the frames that reach MusBuf need to start at zero: what is added
    // past them is never read.
    std::memset(ws.mixBus, 0, musFrames * sizeof(float));
    platformKeepResponsive();
    for (uint32_t i = 0; i < songLayout.instrumentCount; ++i) {
        renderInstrument(ws, songLayout, i, musLayerPath);
        mixInstrument(ws, songLayout, i);
        platformKeepResponsive();
    }
    convertChannel(ws);
}

void genMusUsing(LayerPath path) {
    decodeSong(songStreams(), songLayout);
    if (songLayout.error != SynthError::none) {
        std::memset(MusBuf, 0, sizeof MusBuf);
        return;
    }
    musLayerPath = layerPathAvailable(path) ? path : LayerPath::scalar;
    // The mix buses (as far as MusBuf reads them) and MusBuf are written whole
    // now, most of them for the first time: large pages spare most of their
    // page faults. The other buffers are used only in part, which large pages
    // would round up.
    for (WorkerState& ws : vars)
        platformLargePages(ws.mixBus, musFrames * sizeof(float));
    platformLargePages(MusBuf, sizeof MusBuf);
    buildWaveforms();
    platformKeepResponsive();
    ThreadHandle left = platformStartThread(genWorker, 0);
    genWorker(2);
    if (left.opaque)
        platformJoinThread(left);
    else
        genWorker(0); // no thread: render the left channel here
}

void genMus() {
    genMusUsing(bestLayerPath());
}

void genMusBegin() {
    soundtrackElsewhere = platformStartSoundtrack(musFrames);
    if (!soundtrackElsewhere) genMus();
}

void genMusEnd() {
    if (!soundtrackElsewhere) return;
    soundtrackElsewhere = false;
    if (!platformFinishSoundtrack(MusBuf, musFrames)) genMus();
}

SynthError musError() {
    return songLayout.error;
}
