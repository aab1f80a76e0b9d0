// Layer stack, pixel and channel operations, composition, random source.
#include "platform/memory.h"
#include "texgen/ops.h"
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
#include <immintrin.h>
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
namespace {

bool haveAvx2() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

} // namespace
#endif

LayerStack layerStack;
ImageLayer outputImage;
alignas(64) std::byte layerScratch[sizeof(ImageLayer)];
Xorshift96 rng = XORSHIFT96_START;

void selectLayer(int index, int visible) {
    layerStack.currentIndex = index;
    layerStack.visible[index] = visible ? 1 : 0;
    layerStack.touched[index] = 1;
}

namespace {

ByteRule* ruleOf(int index) {
    return layerStack.rules[index];
}

// Every byte the constant byte of value.
void setConstantRules(int index, uint32_t value) {
    for (int k = 0; k < 4; ++k)
        ruleOf(index)[k] = {uint8_t(k), 0, 1, uint8_t(channelOf(value, k))};
    layerStack.pending[index] = 1;
}

// The current layer's rules, starting from "every byte as stored".
ByteRule* currentRules() {
    const int index = layerStack.currentIndex;
    if (!layerStack.pending[index]) {
        for (int k = 0; k < 4; ++k)
            ruleOf(index)[k] = {uint8_t(k), 0, 0, 0};
        layerStack.pending[index] = 1;
    }
    return ruleOf(index);
}

bool allConstant(const ByteRule* rule) {
    return rule[0].constant && rule[1].constant && rule[2].constant && rule[3].constant;
}

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
// Eight pixels a vector: one byte shuffle picks the source bytes (none for
// constants), then the inversions and the constants.
__attribute__((target("avx2"))) int applyRulesAvx2(const ByteRule* rule, const uint32_t* from,
                                                   uint32_t* to, int n) {
    alignas(32) uint8_t pick[32], flip[32], put[32];
    for (int b = 0; b < 32; ++b) {
        const ByteRule& r = rule[b % 4];
        pick[b] = r.constant ? 0x80 : uint8_t((b % 16) / 4 * 4 + r.source);
        flip[b] = !r.constant && r.invert ? 0xFF : 0;
        put[b] = r.constant ? r.value : 0;
    }
    const __m256i shuffle = _mm256_load_si256(reinterpret_cast<const __m256i*>(pick));
    const __m256i invert = _mm256_load_si256(reinterpret_cast<const __m256i*>(flip));
    const __m256i constants = _mm256_load_si256(reinterpret_cast<const __m256i*>(put));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
        v = _mm256_or_si256(_mm256_xor_si256(_mm256_shuffle_epi8(v, shuffle), invert), constants);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i), v);
    }
    return i;
}
#endif

#if defined(__wasm_simd128__)
// applyRulesAvx2 four pixels a vector with WebAssembly's byte swizzle, which
// gives 0 for the out-of-range index of a constant byte as the AVX2 shuffle does.
int applyRulesSimd128(const ByteRule* rule, const uint32_t* from, uint32_t* to, int n) {
    alignas(16) uint8_t pick[16], flip[16], put[16];
    for (int b = 0; b < 16; ++b) {
        const ByteRule& r = rule[b % 4];
        pick[b] = r.constant ? 0x80 : uint8_t(b / 4 * 4 + r.source);
        flip[b] = !r.constant && r.invert ? 0xFF : 0;
        put[b] = r.constant ? r.value : 0;
    }
    const v128_t shuffle = wasm_v128_load(pick);
    const v128_t invert = wasm_v128_load(flip);
    const v128_t constants = wasm_v128_load(put);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const v128_t v = wasm_v128_load(from + i);
        wasm_v128_store(
            to + i, wasm_v128_or(wasm_v128_xor(wasm_i8x16_swizzle(v, shuffle), invert), constants));
    }
    return i;
}
#endif

// to[i] := from[i] as the rules read it.
void applyRules(const ByteRule* rule, const uint32_t* from, uint32_t* to, int n) {
    uint32_t base = 0, shift[4], invert[4], keep[4];
    for (int k = 0; k < 4; ++k) {
        base |= rule[k].constant ? uint32_t(rule[k].value) << (8 * k) : 0;
        shift[k] = 8u * rule[k].source;
        invert[k] = rule[k].invert ? 0xFFu : 0;
        keep[k] = rule[k].constant ? 0 : 0xFFu;
    }
    int i = 0;
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
    if (haveAvx2()) i = applyRulesAvx2(rule, from, to, n);
#endif
#if defined(__wasm_simd128__)
    i = applyRulesSimd128(rule, from, to, n);
#endif
    for (; i < n; ++i) {
        const uint32_t p = from[i];
        to[i] = base | (((p >> shift[0]) ^ invert[0]) & keep[0]) |
                ((((p >> shift[1]) ^ invert[1]) & keep[1]) << 8) |
                ((((p >> shift[2]) ^ invert[2]) & keep[2]) << 16) |
                ((((p >> shift[3]) ^ invert[3]) & keep[3]) << 24);
    }
}

} // namespace

void applyPendingRules(int index) {
    layerStack.pending[index] = 0;
    uint32_t* p = layerStack.layers[index].pixels;
    const ByteRule* rule = ruleOf(index);
    if (allConstant(rule)) {
        const uint32_t value = uint32_t(rule[0].value) | uint32_t(rule[1].value) << 8 |
                               uint32_t(rule[2].value) << 16 | uint32_t(rule[3].value) << 24;
        for (int i = 0; i < PIXEL_COUNT; ++i)
            p[i] = value;
        return;
    }
    applyRules(rule, p, p, PIXEL_COUNT);
}

// Layers not selected since they were last cleared are still all 0; the
// others are cleared by rule.
void resetStack() {
    for (int i = 0; i < LAYER_COUNT; ++i) {
        if (layerStack.touched[i]) setConstantRules(i, 0);
        layerStack.touched[i] = 0;
        layerStack.visible[i] = 0;
    }
    selectLayer(0, 1);
}

#if defined(__SSE2__)
namespace {

// overPixel on four pixels: colour bytes in 16-bit lanes (every product and
// sum stays below 65536), alpha the byte maximum.
inline __m128i over4(__m128i d, __m128i s) {
    const __m128i zero = _mm_setzero_si128(), c255 = _mm_set1_epi16(255), one = _mm_set1_epi16(1);
    __m128i out[2];
    for (int half = 0; half < 2; ++half) {
        __m128i dw = half ? _mm_unpackhi_epi8(d, zero) : _mm_unpacklo_epi8(d, zero);
        __m128i sw = half ? _mm_unpackhi_epi8(s, zero) : _mm_unpacklo_epi8(s, zero);
        __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sw, 0xFF), 0xFF);
        __m128i x =
            _mm_add_epi16(_mm_mullo_epi16(dw, _mm_sub_epi16(c255, a)), _mm_mullo_epi16(sw, a));
        out[half] = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
    }
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    __m128i colour = _mm_andnot_si128(alpha, _mm_packus_epi16(out[0], out[1]));
    return _mm_or_si128(colour, _mm_and_si128(alpha, _mm_max_epu8(d, s)));
}

} // namespace
#endif

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
namespace {

// over4 on eight pixels: the unpacks and packs work within 128-bit halves,
// so each half is exactly over4 of its four pixels.
__attribute__((target("avx2"))) inline __m256i over8(__m256i d, __m256i s) {
    const __m256i zero = _mm256_setzero_si256(), c255 = _mm256_set1_epi16(255);
    const __m256i one = _mm256_set1_epi16(1);
    __m256i out[2];
    for (int half = 0; half < 2; ++half) {
        __m256i dw = half ? _mm256_unpackhi_epi8(d, zero) : _mm256_unpacklo_epi8(d, zero);
        __m256i sw = half ? _mm256_unpackhi_epi8(s, zero) : _mm256_unpacklo_epi8(s, zero);
        __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sw, 0xFF), 0xFF);
        __m256i x = _mm256_add_epi16(_mm256_mullo_epi16(dw, _mm256_sub_epi16(c255, a)),
                                     _mm256_mullo_epi16(sw, a));
        out[half] = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_add_epi16(x, one), _mm256_srli_epi16(x, 8)), 8);
    }
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    __m256i colour = _mm256_andnot_si256(alpha, _mm256_packus_epi16(out[0], out[1]));
    return _mm256_or_si256(colour, _mm256_and_si256(alpha, _mm256_max_epu8(d, s)));
}

// overSpan's vector part eight pixels at a time; returns how many it did.
__attribute__((target("avx2"))) int overSpanAvx2(uint32_t* dst, const uint32_t* src, int n) {
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (const int end = n & ~7; i < end; i += 8) {
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        __m256i a = _mm256_and_si256(s, alpha);
        if (_mm256_testz_si256(a, a)) continue; // all transparent
        if (uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, alpha))) == 0xFFFFFFFFu) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s); // all opaque
            continue;
        }
        __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), over8(d, s));
    }
    return i;
}

__attribute__((target("avx2"))) int maskedOverSpanAvx2(uint32_t* dst, const uint32_t* src,
                                                       const uint32_t* mask, int ch, int n) {
    const __m128i shift = _mm_cvtsi32_si128(8 * ch);
    const __m256i colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    int i = 0;
    for (const int end = n & ~7; i < end; i += 8) {
        __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask + i));
        m = _mm256_or_si256(_mm256_slli_epi32(_mm256_srl_epi32(m, shift), 24), colourBytes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), over8(d, _mm256_min_epu8(s, m)));
    }
    return i;
}

} // namespace
#endif

void overSpan(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
    if (haveAvx2()) i = overSpanAvx2(dst, src, n);
#endif
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    for (const int end = n & ~3; i < end; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        // Transparent sources leave dst as it is; opaque ones replace it.
        int opaque = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(s, alpha), alpha));
        int clear = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(s, alpha), _mm_setzero_si128()));
        if (clear == 0xFFFF) continue;
        if (opaque == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
            continue;
        }
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), over4(d, s));
    }
#endif
    for (; i < n; ++i)
        dst[i] = overPixel(dst[i], src[i]);
}

void maskedOverSpan(uint32_t* dst, const uint32_t* src, const uint32_t* mask, int ch, int n) {
    int i = 0;
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
    if (haveAvx2()) i = maskedOverSpanAvx2(dst, src, mask, ch, n);
#endif
#if defined(__SSE2__)
    const __m128i shift = _mm_cvtsi32_si128(8 * ch), colourBytes = _mm_set1_epi32(0x00FFFFFF);
    for (const int end = n & ~3; i < end; i += 4) {
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i));
        // The mask byte moved to the alpha position; min keeps colour, lowers alpha.
        m = _mm_or_si128(_mm_slli_epi32(_mm_srl_epi32(m, shift), 24), colourBytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), over4(d, _mm_min_epu8(s, m)));
    }
#endif
    for (; i < n; ++i) {
        uint32_t a = src[i] >> 24, ma = channelOf(mask[i], ch);
        dst[i] = overPixel(dst[i], withChannel(src[i], CH_A, a < ma ? a : ma));
    }
}

void fillLayer(uint32_t value) {
    setConstantRules(layerStack.currentIndex, value);
}

void setChannel(int channel, uint8_t value) {
    currentRules()[channel] = {uint8_t(channel), 0, 1, value};
}

void copyChannel(int dst, int src) {
    ByteRule* rule = currentRules();
    rule[dst] = rule[src];
}

void invertChannel(int dst, int src) {
    ByteRule* rule = currentRules();
    ByteRule r = rule[src];
    if (r.constant)
        r.value = uint8_t(255 - r.value);
    else
        r.invert ^= 1;
    rule[dst] = r;
}

void blendLayer(int layer) {
    overSpan(currentLayer(), layerPixels(layer), PIXEL_COUNT);
}

void maskedBlend(int colour, int mask, int ch) {
    maskedOverSpan(currentLayer(), layerPixels(colour), layerPixels(mask), ch, PIXEL_COUNT);
}

// Folds the visible layers block by block, so the running result stays in
// cache; a layer with pending rules is read through them, not rewritten.
void composeVisible() {
    constexpr int BLOCK = 4096;
    static uint32_t acc[BLOCK], ruled[BLOCK];
    for (int start = 0; start < PIXEL_COUNT; start += BLOCK) {
        std::memset(acc, 0, sizeof acc);
        for (int j = 0; j < LAYER_COUNT; ++j) {
            if (!layerStack.visible[j]) continue;
            const uint32_t* pixels = layerStack.layers[j].pixels + start;
            const ByteRule* rule = ruleOf(j);
            if (layerStack.pending[j] && allConstant(rule) && rule[CH_A].value == 0)
                continue; // transparent throughout: leaves the result as it is
            if (layerStack.pending[j]) {
                applyRules(rule, pixels, ruled, BLOCK);
                pixels = ruled;
            }
            overSpan(acc, pixels, BLOCK);
        }
        std::memcpy(outputImage.pixels + start, acc, sizeof acc);
    }
}

// The layers, the output image and the scratch area are written whole: large pages spare most
// of their first-touch page faults.
void useLargePages() {
    platformLargePages(&layerStack, sizeof layerStack);
    platformLargePages(&outputImage, sizeof outputImage);
    platformLargePages(layerScratch, sizeof layerScratch);
}

uint32_t nextRandom() {
    uint32_t t = rng.x;
    t ^= t << 16;
    t ^= t >> 5;
    t ^= t << 1;
    rng.x = rng.y;
    rng.y = rng.z;
    rng.z = t ^ rng.x ^ rng.y;
    return rng.z & 0xFFFF;
}

double randomUnit4096() {
    return double(nextRandom() % 4096) / 4096.0;
}
