// Layer stack, pixel and channel operations, composition, random source.
#include "platform/memory.h"
#include "texgen/ops.h"
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

LayerStack layerStack;
ImageLayer outputImage;
Xorshift96 rng = XORSHIFT96_START;

void selectLayer(int index, int visible) {
    layerStack.currentIndex = index;
    layerStack.visible[index] = visible ? 1 : 0;
    layerStack.touched[index] = 1;
}

// Layers not selected since they were last cleared are still all 0.
void resetStack() {
    for (int i = 0; i < LAYER_COUNT; ++i) {
        if (layerStack.touched[i]) std::memset(layerPixels(i), 0, sizeof(ImageLayer));
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

void overSpan(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
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
    uint32_t* p = currentLayer();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = value;
}

void setChannel(int channel, uint8_t value) {
    uint32_t* p = currentLayer();
    uint32_t keep = ~(0xFFu << (8 * channel)), put = uint32_t(value) << (8 * channel);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = (p[i] & keep) | put;
}

void copyChannel(int dst, int src) {
    uint32_t* p = currentLayer();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = withChannel(p[i], dst, channelOf(p[i], src));
}

void invertChannel(int dst, int src) {
    uint32_t* p = currentLayer();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = withChannel(p[i], dst, 255 - channelOf(p[i], src));
}

void blendLayer(int layer) {
    overSpan(currentLayer(), layerPixels(layer), PIXEL_COUNT);
}

void maskedBlend(int colour, int mask, int ch) {
    maskedOverSpan(currentLayer(), layerPixels(colour), layerPixels(mask), ch, PIXEL_COUNT);
}

// Folds the visible layers block by block, so the running result stays in cache.
void composeVisible() {
    constexpr int BLOCK = 4096;
    static uint32_t acc[BLOCK];
    for (int start = 0; start < PIXEL_COUNT; start += BLOCK) {
        std::memset(acc, 0, sizeof acc);
        for (int j = 0; j < LAYER_COUNT; ++j)
            if (layerStack.visible[j]) overSpan(acc, layerPixels(j) + start, BLOCK);
        std::memcpy(outputImage.pixels + start, acc, sizeof acc);
    }
}

// The layers and the output image are written whole: large pages spare most
// of their first-touch page faults.
void useLargePages() {
    platformLargePages(&layerStack, sizeof layerStack);
    platformLargePages(&outputImage, sizeof outputImage);
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
