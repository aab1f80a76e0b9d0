// Layers computed side by side: up to eight layers of a pitch group share one
// pass over a block of samples, each in its own lane, with the carrier and
// modulator ratio sequences (the same for every layer) computed once per block.
// Every lane follows the reference loop operation for operation, and the lanes'
// outputs are added into LayerBuffer in layer order, so the result is the same
// to the bit.
#include "synth/fpmath.h"
#include "synth/voice.h"
#include "synth/wforms.h"
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SYNTH_HAVE_AVX2_PATH 1
#endif

namespace {

constexpr double roundMagic = 6755399441055744.0;     // 1.5 * 2^52
constexpr double fastRoundLimit = 2251799813685248.0; // 2^51
constexpr uint32_t maxBatches = (127 + layerLanes - 1) / layerLanes;

// Per-lane state of one batch of layers.
struct LaneState {
    double carrierPhase[layerLanes];
    double modulatorPhase[layerLanes];
    double depth[layerLanes];
    double carrierStep[layerLanes];
    double modulatorStep[layerLanes];
};

struct BatchSetup {
    const float* carrier;
    const float* modulator;
    double depthFactor;
};

// Low 16 bits of the rounded value while |x| < 2^51: adding 1.5 * 2^52 leaves
// the rounded integer in the low mantissa bits.
inline uint32_t fastLow16(double x) {
    return uint32_t(std::bit_cast<uint64_t>(x + roundMagic)) & 0xFFFFu;
}

// Reference arithmetic for any phase (large, infinite or NaN ones included).
void runLanesExact(const BatchSetup& b, LaneState& s, const LayerBatchScratch& r, uint32_t n,
                   float* out, uint32_t stride) {
    for (uint32_t j = 0; j < n; ++j) {
        for (uint32_t l = 0; l < layerLanes; ++l) {
            double qm = b.modulator[roundLow16(s.modulatorPhase[l])];
            out[j * stride + l] = b.carrier[roundLow16(s.carrierPhase[l] + s.depth[l] * qm)];
            s.carrierPhase[l] += s.carrierStep[l] * r.carrierRatio[j];
            s.modulatorPhase[l] += s.modulatorStep[l] * r.modulatorRatio[j];
            s.depth[l] = ((s.depth[l] + 1.0) - 1.0) * b.depthFactor;
        }
    }
}

// Portable fast lanes; returns false when a phase left the fast rounding range.
bool runLanesPortable(const BatchSetup& b, LaneState& s, const LayerBatchScratch& r, uint32_t n,
                      float* out, uint32_t stride) {
    bool inRange = true;
    for (uint32_t j = 0; j < n; ++j) {
        for (uint32_t l = 0; l < layerLanes; ++l) {
            double pm = s.modulatorPhase[l];
            double qm = b.modulator[fastLow16(pm)];
            double arg = s.carrierPhase[l] + s.depth[l] * qm;
            inRange &= std::fabs(pm) < fastRoundLimit && std::fabs(arg) < fastRoundLimit;
            out[j * stride + l] = b.carrier[fastLow16(arg)];
            s.carrierPhase[l] += s.carrierStep[l] * r.carrierRatio[j];
            s.modulatorPhase[l] = pm + s.modulatorStep[l] * r.modulatorRatio[j];
            s.depth[l] = ((s.depth[l] + 1.0) - 1.0) * b.depthFactor;
        }
    }
    return inRange;
}

#ifdef SYNTH_HAVE_AVX2_PATH
// Four table entries at the low 16 bits of four rounded phases (the low 32
// bits of each 64-bit lane after the magic addition). Plain loads: faster
// than gathers on the machines measured.
__attribute__((target("avx2"))) inline __m128 lookup4(const float* table, __m256d shifted) {
    alignas(32) uint32_t bits[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(bits), _mm256_castpd_si256(shifted));
    return _mm_setr_ps(table[bits[0] & 0xFFFFu], table[bits[2] & 0xFFFFu], table[bits[4] & 0xFFFFu],
                       table[bits[6] & 0xFFFFu]);
}

// `vectors` groups of 4 lanes (1 to 4) from two consecutive lane states;
// the output holds 16 lanes per sample.
template <int vectors>
__attribute__((target("avx2"))) bool runLanesAvx2(const BatchSetup& b, LaneState* s,
                                                  const LayerBatchScratch& r, uint32_t n,
                                                  float* out) {
    constexpr uint32_t stride = 2 * layerLanes;
    const float* carrier = b.carrier;
    const float* modulator = b.modulator;
    const __m256d magic = _mm256_set1_pd(roundMagic);
    const __m256d limit = _mm256_set1_pd(fastRoundLimit);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d depthFactor = _mm256_set1_pd(b.depthFactor);
    __m256d pc[vectors], pm[vectors], d[vectors], cs[vectors], ms[vectors];
    for (int v = 0; v < vectors; ++v) {
        LaneState& st = s[v / 2];
        int at = 4 * (v % 2);
        pc[v] = _mm256_loadu_pd(st.carrierPhase + at);
        pm[v] = _mm256_loadu_pd(st.modulatorPhase + at);
        d[v] = _mm256_loadu_pd(st.depth + at);
        cs[v] = _mm256_loadu_pd(st.carrierStep + at);
        ms[v] = _mm256_loadu_pd(st.modulatorStep + at);
    }
    __m256d outside = _mm256_setzero_pd();
    for (uint32_t j = 0; j < n; ++j) {
        const __m256d cr = _mm256_broadcast_sd(r.carrierRatio + j);
        const __m256d mr = _mm256_broadcast_sd(r.modulatorRatio + j);
        for (int v = 0; v < vectors; ++v) {
            __m256d qm = _mm256_cvtps_pd(lookup4(modulator, _mm256_add_pd(pm[v], magic)));
            __m256d arg = _mm256_add_pd(pc[v], _mm256_mul_pd(d[v], qm));
            __m256d big = _mm256_max_pd(_mm256_and_pd(pm[v], absMask), _mm256_and_pd(arg, absMask));
            outside = _mm256_or_pd(outside, _mm256_cmp_pd(big, limit, _CMP_NLT_UQ));
            _mm_storeu_ps(out + j * stride + 4 * v, lookup4(carrier, _mm256_add_pd(arg, magic)));
            pc[v] = _mm256_add_pd(pc[v], _mm256_mul_pd(cs[v], cr));
            pm[v] = _mm256_add_pd(pm[v], _mm256_mul_pd(ms[v], mr));
            d[v] = _mm256_mul_pd(_mm256_sub_pd(_mm256_add_pd(d[v], one), one), depthFactor);
        }
    }
    for (int v = 0; v < vectors; ++v) {
        LaneState& st = s[v / 2];
        int at = 4 * (v % 2);
        _mm256_storeu_pd(st.carrierPhase + at, pc[v]);
        _mm256_storeu_pd(st.modulatorPhase + at, pm[v]);
        _mm256_storeu_pd(st.depth + at, d[v]);
    }
    return _mm256_movemask_pd(outside) == 0;
}
#endif

// Runs the lanes of two consecutive batches over one block (only as many
// vectors as `lanes` needs), the exact arithmetic taking over where a phase
// leaves the fast rounding range. Output: 16 lanes per sample.
void runBlock(LayerPath path, const BatchSetup& b, LaneState* s, uint32_t lanes,
              const LayerBatchScratch& r, uint32_t n, float* out) {
    constexpr uint32_t stride = 2 * layerLanes;
    uint32_t batches = lanes > layerLanes ? 2 : 1;
    LaneState before[2] = {s[0], batches > 1 ? s[1] : s[0]};
    bool fast = true;
#ifdef SYNTH_HAVE_AVX2_PATH
    if (path == LayerPath::avx2) {
        switch ((lanes + 3) / 4) {
        case 1:
            fast = runLanesAvx2<1>(b, s, r, n, out);
            break;
        case 2:
            fast = runLanesAvx2<2>(b, s, r, n, out);
            break;
        case 3:
            fast = runLanesAvx2<3>(b, s, r, n, out);
            break;
        default:
            fast = runLanesAvx2<4>(b, s, r, n, out);
            break;
        }
    } else
#endif
    {
        (void)path;
        for (uint32_t k = 0; k < batches; ++k)
            fast &= runLanesPortable(b, s[k], r, n, out + layerLanes * k, stride);
    }
    if (fast) return;
    for (uint32_t k = 0; k < batches; ++k) {
        s[k] = before[k];
        runLanesExact(b, s[k], r, n, out + layerLanes * k, stride);
    }
}

// Ratios before each sample's update, continuing from the previous block. Once
// both reach a fixed point (a zero sweep rate, or a sweep that has arrived at
// exactly 1) they stay there, and the chain need not be followed further.
struct RatioChain {
    double carrier, modulator;
    bool settled;
};

void fillRatios(LayerBatchScratch& r, const LayerVars& v, RatioChain& c, uint32_t n) {
    uint32_t j = 0;
    for (; j < n && !c.settled; ++j) {
        r.carrierRatio[j] = c.carrier;
        r.modulatorRatio[j] = c.modulator;
        double cr = 1.0 + (c.carrier - 1.0) * v.carrierRatioFactor;
        double mr = 1.0 + (c.modulator - 1.0) * v.modulatorRatioFactor;
        c.settled = cr == c.carrier && mr == c.modulator;
        c.carrier = cr;
        c.modulator = mr;
    }
    for (; j < n; ++j) {
        r.carrierRatio[j] = c.carrier;
        r.modulatorRatio[j] = c.modulator;
    }
}

void addLanes(float* layerBuffer, const float* out, uint32_t n, uint32_t lanes, uint32_t stride) {
    for (uint32_t j = 0; j < n; ++j) {
        float sum = layerBuffer[j];
        for (uint32_t l = 0; l < lanes; ++l)
            sum += out[j * stride + l];
        layerBuffer[j] = sum;
    }
}

// Starts every layer in order (drawing its random values) and spreads them over lanes.
uint32_t startBatches(WorkerState& ws, double step, LaneState* batches) {
    uint32_t layers = uint32_t(ws.params.layerCount);
    uint32_t count = (layers + layerLanes - 1) / layerLanes;
    std::memset(batches, 0, count * sizeof(LaneState)); // idle lanes stay at 0
    for (uint32_t l = 0; l < layers; ++l) {
        startLayer(ws, step);
        LaneState& s = batches[l / layerLanes];
        s.carrierStep[l % layerLanes] = ws.vars.carrierStep;
        s.modulatorStep[l % layerLanes] = ws.vars.modulatorStep;
        s.depth[l % layerLanes] = ws.vars.depthNow;
    }
    return count;
}

} // namespace

bool layerPathAvailable(LayerPath path) {
    switch (path) {
    case LayerPath::scalar:
    case LayerPath::batched:
        return true;
    case LayerPath::avx2:
#ifdef SYNTH_HAVE_AVX2_PATH
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

LayerPath bestLayerPath() {
    return layerPathAvailable(LayerPath::avx2) ? LayerPath::avx2 : LayerPath::batched;
}

void renderLayersBatched(WorkerState& ws, const PitchGroupInfo& group, LayerPath path) {
    LaneState batches[maxBatches];
    uint32_t count = startBatches(ws, group.step, batches);
    uint32_t layers = uint32_t(ws.params.layerCount);
    const LayerVars& v = ws.vars; // the factors are the same for every layer
    BatchSetup setup{wforms + uint32_t(ws.params.carrierWave) * waveTableSize,
                     wforms + uint32_t(ws.params.modulatorWave) * waveTableSize, v.depthFactor};
    LayerBatchScratch& r = ws.batch;
    RatioChain ratios{v.carrierRatio, v.modulatorRatio, false};
    for (uint32_t k0 = 0; k0 < group.layerSamples; k0 += layerBlock) {
        uint32_t n = std::min(group.layerSamples - k0, layerBlock);
        fillRatios(r, v, ratios, n);
        for (uint32_t b = 0; b < count; b += 2) {
            uint32_t lanes = std::min(layers - b * layerLanes, 2 * layerLanes);
            runBlock(path, setup, batches + b, lanes, r, n, r.out);
            addLanes(ws.layerBuffer + k0, r.out, n, lanes, 2 * layerLanes);
        }
    }
    ws.vars.carrierRatio = ratios.carrier;
    ws.vars.modulatorRatio = ratios.modulator;
}
