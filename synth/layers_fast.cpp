// Layers computed side by side: up to eight layers of a pitch group share one
// pass over a block of samples, each in its own lane, with the carrier and
// modulator ratio sequences (the same for every layer) computed once per block.
// Every lane follows the reference loop operation for operation, and the lanes'
// outputs are added into LayerBuffer in layer order, so the result is the same
// to the bit.
#include "synth/fpmath.h"
#include "synth/layer_lanes.h"
#include "synth/wforms.h"
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
#include <immintrin.h>
#define SYNTH_HAVE_AVX2_PATH 1
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#define SYNTH_HAVE_SIMD128_PATH 1
#endif

namespace {

constexpr uint32_t maxBatches = (127 + layerLanes - 1) / layerLanes;

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
[[maybe_unused]] bool runLanesPortable(const BatchSetup& b, LaneState& s,
                                       const LayerBatchScratch& r, uint32_t n, float* out,
                                       uint32_t stride) {
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

#ifdef SYNTH_HAVE_SIMD128_PATH
// The table entry at the low 16 bits of a rounded phase: the low 32 bits of
// 64-bit lane `lane` after the magic addition.
template <int lane> inline float entryOf(const float* table, v128_t shifted) {
    return table[wasm_i32x4_extract_lane(shifted, 2 * lane) & 0xFFFF];
}

// The portable lanes two at a time with WebAssembly SIMD, over the first
// `vectors` pairs of lanes of one batch (the idle lanes stay at 0 anyway).
template <int vectors>
bool runLanesSimd128(const BatchSetup& b, LaneState& s, const LayerBatchScratch& r, uint32_t n,
                     float* out, uint32_t stride) {
    const v128_t magic = wasm_f64x2_splat(roundMagic);
    const v128_t limit = wasm_f64x2_splat(fastRoundLimit);
    const v128_t one = wasm_f64x2_splat(1.0);
    const v128_t depthFactor = wasm_f64x2_splat(b.depthFactor);
    v128_t pc[vectors], pm[vectors], d[vectors], cs[vectors], ms[vectors];
    for (int v = 0; v < vectors; ++v) {
        pc[v] = wasm_v128_load(s.carrierPhase + 2 * v);
        pm[v] = wasm_v128_load(s.modulatorPhase + 2 * v);
        d[v] = wasm_v128_load(s.depth + 2 * v);
        cs[v] = wasm_v128_load(s.carrierStep + 2 * v);
        ms[v] = wasm_v128_load(s.modulatorStep + 2 * v);
    }
    v128_t inside = wasm_i64x2_splat(-1);
    for (uint32_t j = 0; j < n; ++j) {
        const v128_t cr = wasm_f64x2_splat(r.carrierRatio[j]);
        const v128_t mr = wasm_f64x2_splat(r.modulatorRatio[j]);
        float* o = out + j * stride;
        for (int v = 0; v < vectors; ++v) {
            const v128_t m = wasm_f64x2_add(pm[v], magic);
            const v128_t qm =
                wasm_f64x2_make(entryOf<0>(b.modulator, m), entryOf<1>(b.modulator, m));
            const v128_t arg = wasm_f64x2_add(pc[v], wasm_f64x2_mul(d[v], qm));
            inside = wasm_v128_and(inside, wasm_f64x2_lt(wasm_f64x2_abs(pm[v]), limit));
            inside = wasm_v128_and(inside, wasm_f64x2_lt(wasm_f64x2_abs(arg), limit));
            const v128_t c = wasm_f64x2_add(arg, magic);
            o[2 * v] = entryOf<0>(b.carrier, c);
            o[2 * v + 1] = entryOf<1>(b.carrier, c);
            pc[v] = wasm_f64x2_add(pc[v], wasm_f64x2_mul(cs[v], cr));
            pm[v] = wasm_f64x2_add(pm[v], wasm_f64x2_mul(ms[v], mr));
            d[v] = wasm_f64x2_mul(wasm_f64x2_sub(wasm_f64x2_add(d[v], one), one), depthFactor);
        }
    }
    for (int v = 0; v < vectors; ++v) {
        wasm_v128_store(s.carrierPhase + 2 * v, pc[v]);
        wasm_v128_store(s.modulatorPhase + 2 * v, pm[v]);
        wasm_v128_store(s.depth + 2 * v, d[v]);
    }
    return wasm_i64x2_all_true(inside);
}
#endif

// The fast lanes of one batch, `used` of them in use; false when a phase left
// the fast rounding range.
bool runLanesBatched(const BatchSetup& b, LaneState& s, const LayerBatchScratch& r, uint32_t n,
                     float* out, uint32_t stride, uint32_t used) {
#ifdef SYNTH_HAVE_SIMD128_PATH
    switch ((used + 1) / 2) {
    case 1:
        return runLanesSimd128<1>(b, s, r, n, out, stride);
    case 2:
        return runLanesSimd128<2>(b, s, r, n, out, stride);
    case 3:
        return runLanesSimd128<3>(b, s, r, n, out, stride);
    default:
        return runLanesSimd128<4>(b, s, r, n, out, stride);
    }
#else
    (void)used;
    return runLanesPortable(b, s, r, n, out, stride);
#endif
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

// The same four entries through one gather instruction.
__attribute__((target("avx2"))) inline __m128 gather4(const float* table, __m256d shifted) {
    const __m256i evens = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    const __m256i low = _mm256_permutevar8x32_epi32(_mm256_castpd_si256(shifted), evens);
    const __m128i index = _mm_and_si128(_mm256_castsi256_si128(low), _mm_set1_epi32(0xFFFF));
    return _mm_i32gather_ps(table, index, 4);
}

template <bool gather>
__attribute__((target("avx2"))) inline __m128 entries4(const float* table, __m256d shifted) {
    return gather ? gather4(table, shifted) : lookup4(table, shifted);
}

// `vectors` groups of 4 lanes (1 to 4) from two consecutive lane states;
// the output holds 16 lanes per sample.
template <int vectors, bool gather>
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
            __m256d qm = _mm256_cvtps_pd(entries4<gather>(modulator, _mm256_add_pd(pm[v], magic)));
            __m256d arg = _mm256_add_pd(pc[v], _mm256_mul_pd(d[v], qm));
            __m256d big = _mm256_max_pd(_mm256_and_pd(pm[v], absMask), _mm256_and_pd(arg, absMask));
            outside = _mm256_or_pd(outside, _mm256_cmp_pd(big, limit, _CMP_NLT_UQ));
            _mm_storeu_ps(out + j * stride + 4 * v,
                          entries4<gather>(carrier, _mm256_add_pd(arg, magic)));
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

bool isAvx2(LayerPath path) {
    return path == LayerPath::avx2 || path == LayerPath::avx2Gather;
}
bool isAvx512(LayerPath path) {
    return path == LayerPath::avx512 || path == LayerPath::avx512Gather;
}

// The lanes of an AVX2 or AVX-512 path over one block (only as many vectors as
// `lanes` needs); false where a phase left the fast rounding range.
bool runVectorLanes(LayerPath path, const BatchSetup& b, LaneState* s, uint32_t lanes,
                    const LayerBatchScratch& r, uint32_t n, float* out) {
#ifdef SYNTH_HAVE_AVX2_PATH
    if (isAvx512(path))
        return runLanesAvx512(b, s, lanes, r, n, out, path == LayerPath::avx512Gather);
    const bool gather = path == LayerPath::avx2Gather;
    switch ((lanes + 3) / 4) {
    case 1:
        return gather ? runLanesAvx2<1, true>(b, s, r, n, out)
                      : runLanesAvx2<1, false>(b, s, r, n, out);
    case 2:
        return gather ? runLanesAvx2<2, true>(b, s, r, n, out)
                      : runLanesAvx2<2, false>(b, s, r, n, out);
    case 3:
        return gather ? runLanesAvx2<3, true>(b, s, r, n, out)
                      : runLanesAvx2<3, false>(b, s, r, n, out);
    default:
        return gather ? runLanesAvx2<4, true>(b, s, r, n, out)
                      : runLanesAvx2<4, false>(b, s, r, n, out);
    }
#else
    (void)path, (void)b, (void)s, (void)lanes, (void)r, (void)n, (void)out;
    return false; // no vector paths here: the exact loop does the block
#endif
}

// Runs the lanes of two consecutive batches over one block (only as many
// vectors as `lanes` needs), the exact arithmetic taking over where a phase
// leaves the fast rounding range. Output: 16 lanes per sample.
void runBlock(LayerPath path, const BatchSetup& b, LaneState* s, uint32_t lanes,
              const LayerBatchScratch& r, uint32_t n, float* out) {
    constexpr uint32_t stride = 2 * layerLanes;
    uint32_t batches = lanes > layerLanes ? 2 : 1;
    LaneState before[2] = {s[0], batches > 1 ? s[1] : s[0]};
    bool fast = true;
    if (isAvx2(path) || isAvx512(path)) {
        fast = runVectorLanes(path, b, s, lanes, r, n, out);
    } else {
        for (uint32_t k = 0; k < batches; ++k)
            fast &= runLanesBatched(b, s[k], r, n, out + layerLanes * k, stride,
                                    std::min(lanes - k * layerLanes, layerLanes));
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
// Ratios another group of the instrument followed are read from the cache,
// and the cache takes the ones followed first here.
struct RatioChain {
    double carrier, modulator;
    bool settled;
    uint32_t at; // index of the next ratio
};

void fillRatios(LayerBatchScratch& r, const LayerVars& v, RatioChain& c, RatioCache& cache,
                uint32_t n) {
    uint32_t j = 0;
    if (c.at < cache.length) {
        j = std::min(n, cache.length - c.at);
        std::memcpy(r.carrierRatio, cache.carrier + c.at, j * sizeof(double));
        std::memcpy(r.modulatorRatio, cache.modulator + c.at, j * sizeof(double));
        c.at += j;
        if (c.at < cache.length) {
            c.carrier = cache.carrier[c.at];
            c.modulator = cache.modulator[c.at];
        } else {
            c = {cache.endCarrier, cache.endModulator, cache.endSettled, c.at};
        }
    }
    for (; j < n && !c.settled; ++j) {
        r.carrierRatio[j] = c.carrier;
        r.modulatorRatio[j] = c.modulator;
        const bool keep = c.at == cache.length && cache.length < ratioCacheSize;
        if (keep) {
            cache.carrier[cache.length] = c.carrier;
            cache.modulator[cache.length] = c.modulator;
            ++cache.length;
        }
        double cr = 1.0 + (c.carrier - 1.0) * v.carrierRatioFactor;
        double mr = 1.0 + (c.modulator - 1.0) * v.modulatorRatioFactor;
        c.settled = cr == c.carrier && mr == c.modulator;
        c.carrier = cr;
        c.modulator = mr;
        ++c.at;
        if (keep) {
            cache.endCarrier = c.carrier;
            cache.endModulator = c.modulator;
            cache.endSettled = c.settled;
        }
    }
    for (; j < n; ++j) {
        r.carrierRatio[j] = c.carrier;
        r.modulatorRatio[j] = c.modulator;
    }
}

// Keeps the cache when it holds these chains, else empties it for them.
void useRatioCache(RatioCache& cache, const LayerVars& v) {
    const double key[4] = {v.carrierRatio, v.modulatorRatio, v.carrierRatioFactor,
                           v.modulatorRatioFactor};
    if (std::memcmp(key, cache.key, sizeof key) == 0) return;
    std::memcpy(cache.key, key, sizeof key);
    cache.length = 0;
}

// Adds the lanes of every sample into LayerBuffer in lane order; `fresh`
// starts from 0 instead of the buffer (the first batch of a group, so that
// the buffer needs no clearing where the layers write: 0 + x is x).
void addLanes(float* layerBuffer, const float* out, uint32_t n, uint32_t lanes, uint32_t stride,
              bool fresh, uint32_t from = 0) {
    for (uint32_t j = from; j < n; ++j) {
        float sum = fresh ? 0.0f : layerBuffer[j];
        for (uint32_t l = 0; l < lanes; ++l)
            sum += out[j * stride + l];
        layerBuffer[j] = sum;
    }
}

#ifdef SYNTH_HAVE_AVX2_PATH
// r[i] holds 8 lanes of sample i; afterwards r[l] holds lane l of the 8 samples.
__attribute__((target("avx2"))) inline void transpose8(__m256* r) {
    __m256 t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_ps(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_ps(r[i], r[i + 1]);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_shuffle_ps(t[i], t[i + 2], 0x44);
        u[i + 1] = _mm256_shuffle_ps(t[i], t[i + 2], 0xEE);
        u[i + 2] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0x44);
        u[i + 3] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0xEE);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x31);
    }
}

// addLanes for eight samples at a time: the lanes are transposed so that one
// vector holds one lane of eight samples, then added in lane order as above.
__attribute__((target("avx2"))) void addLanesAvx2(float* layerBuffer, const float* out, uint32_t n,
                                                  uint32_t lanes, bool fresh) {
    constexpr uint32_t stride = 2 * layerLanes;
    uint32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        __m256 sum = fresh ? _mm256_setzero_ps() : _mm256_loadu_ps(layerBuffer + j);
        for (uint32_t first = 0; first < lanes; first += 8) {
            __m256 r[8];
            for (int i = 0; i < 8; ++i)
                r[i] = _mm256_loadu_ps(out + (j + i) * stride + first);
            transpose8(r);
            uint32_t count = std::min(lanes - first, 8u);
            for (uint32_t l = 0; l < count; ++l)
                sum = _mm256_add_ps(sum, r[l]);
        }
        _mm256_storeu_ps(layerBuffer + j, sum);
    }
    addLanes(layerBuffer, out, n, lanes, stride, fresh, j);
}
#endif

#ifdef SYNTH_HAVE_SIMD128_PATH
// addLanes for four samples at a time: 4 x 4 blocks of lanes are transposed so
// that one vector holds one lane of four samples, then added in lane order.
void addLanesSimd128(float* layerBuffer, const float* out, uint32_t n, uint32_t lanes, bool fresh) {
    constexpr uint32_t stride = 2 * layerLanes;
    uint32_t j = 0;
    for (; j + 4 <= n; j += 4) {
        v128_t sum = fresh ? wasm_f32x4_splat(0.0f) : wasm_v128_load(layerBuffer + j);
        for (uint32_t first = 0; first < lanes; first += 4) {
            v128_t r[4];
            for (uint32_t i = 0; i < 4; ++i)
                r[i] = wasm_v128_load(out + (j + i) * stride + first);
            const v128_t t0 = wasm_i32x4_shuffle(r[0], r[1], 0, 4, 1, 5);
            const v128_t t1 = wasm_i32x4_shuffle(r[0], r[1], 2, 6, 3, 7);
            const v128_t t2 = wasm_i32x4_shuffle(r[2], r[3], 0, 4, 1, 5);
            const v128_t t3 = wasm_i32x4_shuffle(r[2], r[3], 2, 6, 3, 7);
            const v128_t lane[4] = {
                wasm_i32x4_shuffle(t0, t2, 0, 1, 4, 5), wasm_i32x4_shuffle(t0, t2, 2, 3, 6, 7),
                wasm_i32x4_shuffle(t1, t3, 0, 1, 4, 5), wasm_i32x4_shuffle(t1, t3, 2, 3, 6, 7)};
            const uint32_t count = std::min(lanes - first, 4u);
            for (uint32_t l = 0; l < count; ++l)
                sum = wasm_f32x4_add(sum, lane[l]);
        }
        wasm_v128_store(layerBuffer + j, sum);
    }
    addLanes(layerBuffer, out, n, lanes, stride, fresh, j);
}
#endif

void addBlock(LayerPath path, float* layerBuffer, const float* out, uint32_t n, uint32_t lanes,
              bool fresh) {
#ifdef SYNTH_HAVE_AVX2_PATH
    if (isAvx2(path) || isAvx512(path)) return addLanesAvx2(layerBuffer, out, n, lanes, fresh);
#endif
    (void)path;
#ifdef SYNTH_HAVE_SIMD128_PATH
    return addLanesSimd128(layerBuffer, out, n, lanes, fresh);
#endif
    addLanes(layerBuffer, out, n, lanes, 2 * layerLanes, fresh);
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

WaveShape waveShapeOf(int32_t tableNumber) {
    switch (tableNumber) {
    case 1:
        return WaveShape::saw;
    case 2:
        return WaveShape::square;
    case 3:
        return WaveShape::parabola;
    case 4:
        return WaveShape::triangle;
    case 5:
        return WaveShape::silent;
    default:
        return WaveShape::table;
    }
}

bool layerPathAvailable(LayerPath path) {
    switch (path) {
    case LayerPath::scalar:
    case LayerPath::batched:
        return true;
    case LayerPath::avx2:
    case LayerPath::avx2Gather:
#ifdef SYNTH_HAVE_AVX2_PATH
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    case LayerPath::avx512:
    case LayerPath::avx512Gather:
#ifdef SYNTH_HAVE_AVX512_PATH
        return avx512LanesAvailable();
#else
        return false;
#endif
    }
    return false;
}

namespace {

// Seconds for one block of 16 lanes, best of a few tries. Only the spread of
// the table indices matters, not the entries: the tables may not be built yet.
double timeBlock(LayerPath path, LayerBatchScratch& r) {
    BatchSetup setup{wforms, wforms, 0.9999};
    double best = 1e9;
    for (int attempt = 0; attempt < 5; ++attempt) {
        LaneState s[2];
        for (uint32_t l = 0; l < layerLanes; ++l)
            for (LaneState& st : s) {
                st.carrierPhase[l] = st.modulatorPhase[l] = 0.0;
                st.depth[l] = 1000.0;
                st.carrierStep[l] = 311.3 + l;
                st.modulatorStep[l] = 977.7 + 3 * l;
            }
        auto start = std::chrono::steady_clock::now();
        for (int repeat = 0; repeat < 8; ++repeat)
            runBlock(path, setup, s, 2 * layerLanes, r, layerBlock, r.out);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// The vector paths this processor has, timed against each other once.
LayerPath fastestVectorPath() {
    static LayerBatchScratch r;
    std::fill(r.carrierRatio, r.carrierRatio + layerBlock, 1.0);
    std::fill(r.modulatorRatio, r.modulatorRatio + layerBlock, 1.0);
    LayerPath fastest = LayerPath::batched;
    double best = 1e9;
    for (LayerPath path :
         {LayerPath::avx2, LayerPath::avx2Gather, LayerPath::avx512, LayerPath::avx512Gather}) {
        if (!layerPathAvailable(path)) continue;
        double seconds = timeBlock(path, r);
        if (seconds < best) best = seconds, fastest = path;
    }
    return fastest;
}

} // namespace

LayerPath bestLayerPath() {
    static const LayerPath fastest = fastestVectorPath();
    return fastest;
}

void renderLayersBatched(WorkerState& ws, const PitchGroupInfo& group, LayerPath path) {
    LaneState batches[maxBatches];
    uint32_t count = startBatches(ws, group.step, batches);
    uint32_t layers = uint32_t(ws.params.layerCount);
    const LayerVars& v = ws.vars; // the factors are the same for every layer
    BatchSetup setup{wforms + uint32_t(ws.params.carrierWave) * waveTableSize,
                     wforms + uint32_t(ws.params.modulatorWave) * waveTableSize, v.depthFactor,
                     waveShapeOf(ws.params.carrierWave), waveShapeOf(ws.params.modulatorWave)};
    LayerBatchScratch& r = ws.batch;
    RatioChain ratios{v.carrierRatio, v.modulatorRatio, false, 0};
    useRatioCache(ws.ratios, v);
    for (uint32_t k0 = 0; k0 < group.layerSamples; k0 += layerBlock) {
        uint32_t n = std::min(group.layerSamples - k0, layerBlock);
        fillRatios(r, v, ratios, ws.ratios, n);
        for (uint32_t b = 0; b < count; b += 2) {
            uint32_t lanes = std::min(layers - b * layerLanes, 2 * layerLanes);
            runBlock(path, setup, batches + b, lanes, r, n, r.out);
            addBlock(path, ws.layerBuffer + k0, r.out, n, lanes, b == 0);
        }
    }
    ws.vars.carrierRatio = ratios.carrier;
    ws.vars.modulatorRatio = ratios.modulator;
}
