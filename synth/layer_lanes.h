// What the batched layer renderers share: the per-lane state of a batch of
// layers and the fast rounding of a phase to its table index.
#pragma once
#include "synth/voice.h"
#include <bit>
#include <cstdint>

constexpr double roundMagic = 6755399441055744.0;     // 1.5 * 2^52
constexpr double fastRoundLimit = 2251799813685248.0; // 2^51

// Per-lane state of one batch of layers.
struct LaneState {
    double carrierPhase[layerLanes];
    double modulatorPhase[layerLanes];
    double depth[layerLanes];
    double carrierStep[layerLanes];
    double modulatorStep[layerLanes];
};

// What a wave table holds. Tables 1 to 4 are simple functions of the entry
// index, and the values computed from the index are exactly the entries, so a
// vector path may compute them instead of reading memory; the sine is read.
enum class WaveShape : uint8_t { table, saw, square, parabola, triangle, silent };
WaveShape waveShapeOf(int32_t tableNumber);

struct BatchSetup {
    const float* carrier;
    const float* modulator;
    double depthFactor;
    WaveShape carrierShape = WaveShape::table;
    WaveShape modulatorShape = WaveShape::table;
};

// Low 16 bits of the rounded value while |x| < 2^51: adding 1.5 * 2^52 leaves
// the rounded integer in the low mantissa bits.
inline uint32_t fastLow16(double x) {
    return uint32_t(std::bit_cast<uint64_t>(x + roundMagic)) & 0xFFFFu;
}

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
#define SYNTH_HAVE_AVX512_PATH 1
// True where the processor runs the AVX-512 lanes (AVX-512 F and DQ).
bool avx512LanesAvailable();
// One or two batches of eight lanes (the states s[0], s[1]) over n samples,
// as the reference loop computes them while every rounded argument stays
// below 2^51 (false when one did not: the block must be redone exactly).
// Output: 16 lanes per sample. Table entries by plain loads or by gathers.
bool runLanesAvx512(const BatchSetup& b, LaneState* s, uint32_t lanes, const LayerBatchScratch& r,
                    uint32_t n, float* out, bool gather);
#endif
