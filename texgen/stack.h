// The layer stack every texture is built on, the output image, the shared
// pseudo-random source and the per-operation scratch areas.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int TEX_SIZE = 1024;
constexpr int PIXEL_COUNT = TEX_SIZE * TEX_SIZE;
constexpr int LAYER_COUNT = 32;

// Pixels are 0xAABBGGRR as little-endian words: memory bytes R, G, B, A.
enum Channel : int { CH_R = 0, CH_G = 1, CH_B = 2, CH_A = 3 };

struct ImageLayer {
    uint32_t pixels[PIXEL_COUNT];
};

// What byte k of a layer's pixels holds while channel operations on it are
// pending: byte `source` of the stored pixel, or 255 less it (`invert`), or
// the constant `value` (`constant`).
struct ByteRule {
    uint8_t source, invert, constant, value;
};

struct LayerStack {
    ImageLayer layers[LAYER_COUNT];
    uint8_t visible[LAYER_COUNT];
    int32_t currentIndex;
    // Selected since last cleared (layers are written only as the current
    // layer); resetStack clears just these.
    uint8_t touched[LAYER_COUNT];
    // Clearing, fills and channel operations are not applied at once: they
    // leave one rule per byte, and the pixels are rewritten by the first
    // access to them (composeVisible reads through the rules instead).
    uint8_t pending[LAYER_COUNT];
    ByteRule rules[LAYER_COUNT][4];
};

struct Xorshift96 {
    uint32_t x, y, z;
};

constexpr Xorshift96 XORSHIFT96_START = {123456789u, 362436069u, 521288629u};

extern LayerStack layerStack;
extern ImageLayer outputImage;
// A layer-sized scratch area shared by the operations that need one (the
// shift, the alpha halo, the random walks); none of them runs inside another.
extern std::byte layerScratch[sizeof(ImageLayer)];
extern Xorshift96 rng; // runs on from recipe to recipe, never reseeded

void applyPendingRules(int index); // rewrites the layer's pixels by its rules

inline uint32_t* layerPixels(int index) {
    if (layerStack.pending[index]) applyPendingRules(index);
    return layerStack.layers[index].pixels;
}
inline uint32_t* currentLayer() {
    return layerPixels(layerStack.currentIndex);
}
// The current layer for an operation that writes every pixel and reads none:
// its pending rules are dropped, not applied.
inline uint32_t* overwrittenLayer() {
    layerStack.pending[layerStack.currentIndex] = 0;
    return layerStack.layers[layerStack.currentIndex].pixels;
}

inline uint32_t channelOf(uint32_t pixel, int channel) {
    return (pixel >> (8 * channel)) & 0xFF;
}
inline uint32_t withChannel(uint32_t pixel, int channel, uint32_t value) {
    return (pixel & ~(0xFFu << (8 * channel))) | (value << (8 * channel));
}
