// The batched layer lanes eight at a time in 512-bit vectors: each vector is
// one batch of layers, each lane follows the reference loop operation for
// operation, so the result is the same to the bit.
#include "synth/layer_lanes.h"

#ifdef SYNTH_HAVE_AVX512_PATH
#include <immintrin.h>

#define SYNTH_AVX512 __attribute__((target("avx512f,avx512dq")))

// The gather and the conversion are written in their masked forms with every
// input named: GCC 12 warns about the undefined inputs of the plain forms.

namespace {

// Table entries at the low 16 bits of eight rounded phases (the low bits of
// each 64-bit lane after the magic addition).
template <bool gather> SYNTH_AVX512 inline __m256 entries8(const float* table, __m512d shifted) {
    const __m512i index = _mm512_and_si512(_mm512_castpd_si512(shifted), _mm512_set1_epi64(0xFFFF));
    if constexpr (gather) {
        return _mm512_mask_i64gather_ps(_mm256_setzero_ps(), 0xFF, index, table, 4);
    } else {
        alignas(64) uint64_t at[8];
        _mm512_store_si512(at, index);
        return _mm256_setr_ps(table[at[0]], table[at[1]], table[at[2]], table[at[3]], table[at[4]],
                              table[at[5]], table[at[6]], table[at[7]]);
    }
}

// Table index of each lane as a double: the low 16 bits of the shifted phase
// put into the mantissa of 2^52, less 2^52.
SYNTH_AVX512 inline __m512d indexOf(__m512d shifted) {
    const __m512i low16 = _mm512_set1_epi64(0xFFFF);
    const __m512i two52 = _mm512_set1_epi64(0x4330000000000000);
    const __m512i bits = _mm512_ternarylogic_epi64(_mm512_castpd_si512(shifted), low16, two52,
                                                   0xEA); // (a & b) | c
    return _mm512_sub_pd(_mm512_castsi512_pd(bits), _mm512_set1_pd(4503599627370496.0));
}

// Entries of tables 1 to 4 computed from the index i, with k = i - 32767:
// saw k / 2^15, square -1 below entry 32768 and +1 from it, parabola
// k^2 / 2^29 - 1 rounded to float, triangle |k| / 2^14 - 1. Every step is
// exact but the parabola's one rounding, which the table's filling makes too.
SYNTH_AVX512 inline __m512d computedWave(WaveShape shape, __m512d shifted) {
    const __m512d k = _mm512_sub_pd(indexOf(shifted), _mm512_set1_pd(32767.0));
    const __m512d one = _mm512_set1_pd(1.0);
    switch (shape) {
    case WaveShape::saw:
        return _mm512_mul_pd(k, _mm512_set1_pd(0x1p-15));
    case WaveShape::square:
        return _mm512_mask_blend_pd(_mm512_cmp_pd_mask(k, _mm512_set1_pd(0.5), _CMP_GT_OQ),
                                    _mm512_set1_pd(-1.0), one);
    case WaveShape::parabola: {
        const __m512d exact =
            _mm512_sub_pd(_mm512_mul_pd(_mm512_mul_pd(k, k), _mm512_set1_pd(0x1p-29)), one);
        return _mm512_maskz_cvtps_pd(0xFF, _mm512_maskz_cvtpd_ps(0xFF, exact));
    }
    case WaveShape::triangle:
        return _mm512_sub_pd(_mm512_mul_pd(_mm512_abs_pd(k), _mm512_set1_pd(0x1p-14)), one);
    default:
        return _mm512_setzero_pd();
    }
}

// A wave's entries as doubles (the modulator) or as floats (the carrier).
template <bool gather>
SYNTH_AVX512 inline __m512d waveDoubles(WaveShape shape, const float* table, __m512d shifted) {
    if (shape == WaveShape::table)
        return _mm512_maskz_cvtps_pd(0xFF, entries8<gather>(table, shifted));
    return computedWave(shape, shifted);
}
template <bool gather>
SYNTH_AVX512 inline __m256 waveFloats(WaveShape shape, const float* table, __m512d shifted) {
    if (shape == WaveShape::table) return entries8<gather>(table, shifted);
    return _mm512_maskz_cvtpd_ps(0xFF, computedWave(shape, shifted));
}

// Largest magnitude of the two (VRANGEPD: absolute maximum, sign cleared);
// a NaN passes through.
SYNTH_AVX512 inline __m512d largerMagnitude(__m512d a, __m512d b) {
    return _mm512_range_pd(a, b, 0x0B);
}

template <int vectors, bool gather>
SYNTH_AVX512 bool runLanes(const BatchSetup& b, LaneState* s, const LayerBatchScratch& r,
                           uint32_t n, float* out) {
    constexpr uint32_t stride = 2 * layerLanes;
    const __m512d magic = _mm512_set1_pd(roundMagic);
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d depthFactor = _mm512_set1_pd(b.depthFactor);
    const WaveShape modulatorShape = b.modulatorShape, carrierShape = b.carrierShape;
    const float* const modulator = b.modulator;
    const float* const carrier = b.carrier;
    __m512d pc[vectors], pm[vectors], d[vectors], cs[vectors], ms[vectors], largest[vectors];
    for (int v = 0; v < vectors; ++v) {
        pc[v] = _mm512_loadu_pd(s[v].carrierPhase);
        pm[v] = _mm512_loadu_pd(s[v].modulatorPhase);
        d[v] = _mm512_loadu_pd(s[v].depth);
        cs[v] = _mm512_loadu_pd(s[v].carrierStep);
        ms[v] = _mm512_loadu_pd(s[v].modulatorStep);
        largest[v] = _mm512_setzero_pd();
    }
    for (uint32_t j = 0; j < n; ++j) {
        const __m512d cr = _mm512_set1_pd(r.carrierRatio[j]);
        const __m512d mr = _mm512_set1_pd(r.modulatorRatio[j]);
        for (int v = 0; v < vectors; ++v) {
            __m512d qm =
                waveDoubles<gather>(modulatorShape, modulator, _mm512_add_pd(pm[v], magic));
            __m512d arg = _mm512_add_pd(pc[v], _mm512_mul_pd(d[v], qm));
            largest[v] = largerMagnitude(largest[v], largerMagnitude(pm[v], arg));
            _mm256_storeu_ps(out + j * stride + layerLanes * v,
                             waveFloats<gather>(carrierShape, carrier, _mm512_add_pd(arg, magic)));
            pc[v] = _mm512_add_pd(pc[v], _mm512_mul_pd(cs[v], cr));
            pm[v] = _mm512_add_pd(pm[v], _mm512_mul_pd(ms[v], mr));
            d[v] = _mm512_mul_pd(_mm512_sub_pd(_mm512_add_pd(d[v], one), one), depthFactor);
        }
    }
    bool inRange = true;
    for (int v = 0; v < vectors; ++v) {
        _mm512_storeu_pd(s[v].carrierPhase, pc[v]);
        _mm512_storeu_pd(s[v].modulatorPhase, pm[v]);
        _mm512_storeu_pd(s[v].depth, d[v]);
        const __m512d limit = _mm512_set1_pd(fastRoundLimit);
        inRange &= _mm512_cmp_pd_mask(largest[v], limit, _CMP_NLT_UQ) == 0;
    }
    return inRange;
}

} // namespace

bool avx512LanesAvailable() {
    static const bool available =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    return available;
}

bool runLanesAvx512(const BatchSetup& b, LaneState* s, uint32_t lanes, const LayerBatchScratch& r,
                    uint32_t n, float* out, bool gather) {
    if (lanes > layerLanes)
        return gather ? runLanes<2, true>(b, s, r, n, out) : runLanes<2, false>(b, s, r, n, out);
    return gather ? runLanes<1, true>(b, s, r, n, out) : runLanes<1, false>(b, s, r, n, out);
}
#endif
