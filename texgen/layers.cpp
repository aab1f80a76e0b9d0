// Layer stack, pixel and channel operations, composition, random source.
#include "texgen/ops.h"

LayerStack layerStack;
ImageLayer outputImage;
Xorshift96 rng = XORSHIFT96_START;

uint32_t overPixel(uint32_t dst, uint32_t src) {
    uint32_t a = src >> 24;
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k) {
        uint32_t d = channelOf(dst, k), s = channelOf(src, k);
        out |= ((d * (255 - a) + s * a) / 255) << (8 * k);
    }
    uint32_t da = dst >> 24;
    return out | ((da > a ? da : a) << 24);
}

void selectLayer(int index, int visible) {
    layerStack.currentIndex = index;
    layerStack.visible[index] = visible ? 1 : 0;
}

void resetStack() {
    for (int i = 0; i < LAYER_COUNT; ++i) {
        selectLayer(i, 0);
        fillLayer(0);
    }
    selectLayer(0, 1);
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
    uint32_t* p = currentLayer();
    const uint32_t* s = layerPixels(layer);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = overPixel(p[i], s[i]);
}

void maskedBlend(int colour, int mask, int ch) {
    uint32_t* p = currentLayer();
    const uint32_t* c = layerPixels(colour);
    const uint32_t* m = layerPixels(mask);
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        uint32_t a = c[i] >> 24, ma = channelOf(m[i], ch);
        p[i] = overPixel(p[i], withChannel(c[i], CH_A, a < ma ? a : ma));
    }
}

void composeVisible() {
    uint32_t* out = outputImage.pixels;
    for (int i = 0; i < PIXEL_COUNT; ++i)
        out[i] = 0;
    for (int j = 0; j < LAYER_COUNT; ++j) {
        if (!layerStack.visible[j]) continue;
        const uint32_t* s = layerPixels(j);
        for (int i = 0; i < PIXEL_COUNT; ++i)
            out[i] = overPixel(out[i], s[i]);
    }
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
