// The one blending operator of the generator, inline for the per-pixel loops.
#pragma once
#include <cstdint>

// x / 255 truncated, exact for x <= 65025 (every product sum of overPixel).
inline uint32_t div255(uint32_t x) {
    return (x + 1 + (x >> 8)) >> 8;
}

// src over dst: colour (d * (255 - a) + s * a) / 255 truncated, alpha max(dst alpha, a).
inline uint32_t overPixel(uint32_t dst, uint32_t src) {
    uint32_t a = src >> 24, ia = 255 - a, da = dst >> 24;
    uint32_t r = div255((dst & 255) * ia + (src & 255) * a);
    uint32_t g = div255((dst >> 8 & 255) * ia + (src >> 8 & 255) * a);
    uint32_t b = div255((dst >> 16 & 255) * ia + (src >> 16 & 255) * a);
    return r | g << 8 | b << 16 | (da > a ? da : a) << 24;
}
