// Voice rendering: layered phase-modulation oscillators, envelope with soft
// saturation, and 4:1 decimation into note samples.
#pragma once
#include "synth/decoder.h"
#include <cstdint>

struct LayerVars {
    double carrierStep;
    double modulatorStep;
    double depthNow;
    double carrierRatio;
    double modulatorRatio;
    double carrierRatioFactor;
    double modulatorRatioFactor;
    double depthFactor;
    double driveFactor;
    double attackFactor;
    double decayFactor;
    double releaseFactor;
};

constexpr uint32_t envelopeHistory = 24; // zeros in front of EnvelopeBuffer (23 are read)

// Scratch of the batched layer renderer: a block of samples at a time.
constexpr uint32_t layerBlock = 512;
constexpr uint32_t layerLanes = 8;

struct LayerBatchScratch {
    double carrierRatio[layerBlock];
    double modulatorRatio[layerBlock];
    float out[layerBlock * 2 * layerLanes]; // [sample][lane], two batches
};

// The sweep ratios of an instrument's pitch groups: every group starts the
// same two chains afresh, so their first stretch, until they settle, is
// followed once and read back by the later groups.
constexpr uint32_t ratioCacheSize = 262144;
struct RatioCache {
    double key[4];                   // start ratios and factors of the chains held
    uint32_t length;                 // ratios held, from the chains' start
    double endCarrier, endModulator; // the chains at index `length`
    bool endSettled;
    double carrier[ratioCacheSize];
    double modulator[ratioCacheSize];
};

struct WorkerState {
    uint32_t random;
    int32_t worker; // 0 left, 2 right
    InstrumentParams params;
    LayerVars vars;
    const float* sampleTable[maxSamplesPerInstrument + 1];
    uint64_t layerSamples; // layer samples computed, for the figures
    alignas(64) float mixBus[mixBusSize];
    alignas(64) float layerBuffer[layerBufferSize];
    alignas(64) float envelope[envelopeHistory + envelopeBufferSize];
    alignas(64) float sampleStore[sampleStoreSize];
    alignas(64) LayerBatchScratch batch;
    alignas(64) RatioCache ratios;
};

inline float* envelopeBuffer(WorkerState& ws) {
    return ws.envelope + envelopeHistory;
}

// How the layers of a pitch group are computed; all paths give the same bits.
// The AVX2 (four lanes a vector) and AVX-512 (eight) paths come in two kinds
// that read the wave tables by plain loads or by gather instructions; which
// is faster depends on the processor.
enum class LayerPath : uint8_t { scalar, batched, avx2, avx2Gather, avx512, avx512Gather };
bool layerPathAvailable(LayerPath path);
// The fastest path here: the vector paths the processor has are timed once.
LayerPath bestLayerPath();

int16_t layerRandom(uint32_t& state);

// Sets LayerVars for a new layer (draws three random values).
void startLayer(WorkerState& ws, double step);

// One layer added into LayerBuffer, sample by sample (the reference path).
void mklayer(WorkerState& ws, double step, uint32_t samples);

// All layers of a pitch group: reseed, clear, layerCount layers. Afterwards
// LayerBuffer reads as zero from the layers' end up to `readEnd` (at most its
// first 851,968 samples, which is the default); a caller that knows how far
// the group's envelopes read passes that, and less is cleared.
void renderLayers(WorkerState& ws, const PitchGroupInfo& group, LayerPath path,
                  uint32_t readEnd = layerClearSize);

// Batched layers (several layers side by side); used by renderLayers.
void renderLayersBatched(WorkerState& ws, const PitchGroupInfo& group, LayerPath path);

struct EnvelopeState {
    double amplitude; // a
    double level;     // v
    uint32_t at;      // i
};

// One envelope segment of `length` samples moving the level to `target`.
void adsr(WorkerState& ws, EnvelopeState& env, double target, uint32_t length);

// Envelope of one (velocity, length) pair into EnvelopeBuffer; returns N.
uint32_t renderEnvelope(WorkerState& ws, const NoteSampleInfo& note);

// Decimates N envelope samples 4:1, scaled by gain, into out[0 ... ceil(N/4)).
// Uses AVX2 where the CPU has it; the scalar loop (frames from `from` on) is
// the reference.
void decimate(const float* envelope, uint32_t n, float gain, float* out);
void decimateScalar(const float* envelope, uint32_t n, float gain, float* out, uint32_t from = 0);
