#include "tests/texgen/oracles.h"
#include "texgen/ops.h"
#include <gtest/gtest.h>
#include <random>
#include <vector>

TEST(OverPixel, TransparentSourceKeepsDestination) {
    EXPECT_EQ(overPixel(0xC8123456u, 0x00FFFFFFu), 0xC8123456u);
    EXPECT_EQ(overPixel(0x00000000u, 0x00ABCDEFu), 0x00000000u);
}

TEST(OverPixel, OpaqueSourceReplacesColourAndAlpha) {
    EXPECT_EQ(overPixel(0x10203040u, 0xFF3BA2E9u), 0xFF3BA2E9u);
    EXPECT_EQ(overPixel(0x00000000u, 0xFF000000u) >> 24, 255u);
}

TEST(OverPixel, AlphaIsTheMaximumAndColourIsTruncated) {
    EXPECT_EQ(overPixel(0xC8000000u, 0x0AFFFFFFu) >> 24, 200u);
    // 255 * 10 / 255 = 10 on a black ground; 0x80 * 100 / 255 = 50.19 -> 50
    EXPECT_EQ(overPixel(0x00000000u, 0x0AFFFFFFu), 0x0A0A0A0Au);
    EXPECT_EQ(overPixel(0x00000000u, 0x64000080u) & 0xFF, 50u);
}

TEST(OverPixel, FastFormsMatchTheDefinition) {
    std::mt19937 gen(7);
    static uint32_t dst[4099], src[4099], expect[4099];
    for (int i = 0; i < 4099; ++i) {
        dst[i] = gen();
        src[i] = gen();
        if (i % 7 == 0) src[i] &= 0x00FFFFFF; // alpha 0
        if (i % 11 == 0) src[i] |= 0xFF000000;
        if (i >= 1000 && i < 1040) src[i] &= 0x00FFFFFF; // runs of transparent ...
        if (i >= 2000 && i < 2040) src[i] |= 0xFF000000; // ... and of opaque pixels
        expect[i] = overPixelReference(dst[i], src[i]);
        ASSERT_EQ(overPixel(dst[i], src[i]), expect[i]) << i;
    }
    overSpan(dst, src, 4099);
    for (int i = 0; i < 4099; ++i)
        ASSERT_EQ(dst[i], expect[i]) << i;
}

TEST(OverPixel, ExhaustiveOverColourAndAlpha) {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t d = 0; d < 256; d += 3)
            for (uint32_t s = 0; s < 256; s += 5) {
                uint32_t dp = d | (d << 8) | 0x40000000u, sp = s | (a << 24);
                ASSERT_EQ(overPixel(dp, sp), overPixelReference(dp, sp));
            }
}

TEST(LayerStack, ChannelOperations) {
    freshGenerator();
    selectLayer(3, 1);
    fillLayer(0x80402010u);
    setChannel(CH_G, 0xAB);
    EXPECT_EQ(currentLayer()[12345], 0x8040AB10u);
    copyChannel(CH_A, CH_R);
    EXPECT_EQ(currentLayer()[0], 0x1040AB10u);
    invertChannel(CH_B, CH_G);
    EXPECT_EQ(currentLayer()[PIXEL_COUNT - 1], 0x1054AB10u);
    EXPECT_EQ(layerStack.currentIndex, 3);
    EXPECT_TRUE(layerStack.visible[3]);
}

// Fills and channel operations are applied when the pixels are next read;
// chains of them, read through composeVisible or directly, give what applying
// each at once gives.
TEST(LayerStack, DeferredChannelOperationsReadAsAppliedAtOnce) {
    struct Op {
        int kind; // 0 set, 1 copy, 2 invert
        int dst, src;
        uint8_t value;
    };
    // The glyph recipe's chain, and one through inverted, copied and constant bytes.
    const std::vector<Op> chains[2] = {
        {{2, CH_A, CH_R, 0}, {0, CH_R, 0, 255}, {0, CH_G, 0, 255}, {0, CH_B, 0, 128}},
        {{1, CH_A, CH_G, 0},
         {2, CH_G, CH_A, 0},
         {2, CH_R, CH_G, 0},
         {0, CH_B, 0, 7},
         {1, CH_G, CH_B, 0},
         {2, CH_B, CH_B, 0},
         {1, CH_A, CH_R, 0}}};
    auto apply = [](uint32_t p, const Op& op) {
        if (op.kind == 0) return withChannel(p, op.dst, op.value);
        uint32_t v = channelOf(p, op.src);
        return withChannel(p, op.dst, op.kind == 1 ? v : 255 - v);
    };
    freshGenerator();
    std::mt19937 gen(5);
    std::vector<uint32_t> expect[2];
    for (int layer = 0; layer < 2; ++layer) {
        selectLayer(layer, 1);
        for (int i = 0; i < PIXEL_COUNT; ++i)
            currentLayer()[i] = gen();
        expect[layer].assign(currentLayer(), currentLayer() + PIXEL_COUNT);
        for (const Op& op : chains[layer]) {
            if (op.kind == 0) setChannel(op.dst, op.value);
            if (op.kind == 1) copyChannel(op.dst, op.src);
            if (op.kind == 2) invertChannel(op.dst, op.src);
            for (uint32_t& p : expect[layer])
                p = apply(p, op);
        }
    }
    composeVisible();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        ASSERT_EQ(outputImage.pixels[i],
                  overPixelReference(overPixelReference(0, expect[0][i]), expect[1][i]))
            << i;
    for (int layer = 0; layer < 2; ++layer)
        EXPECT_EQ(std::vector<uint32_t>(layerPixels(layer), layerPixels(layer) + PIXEL_COUNT),
                  expect[layer]);
}

TEST(LayerStack, ResetClearsEveryLayerAndHidesAllButTheFirst) {
    for (int i = 0; i < LAYER_COUNT; ++i) {
        selectLayer(i, 1);
        fillLayer(0x01020304u + uint32_t(i));
    }
    resetStack();
    EXPECT_EQ(layerStack.currentIndex, 0);
    for (int i = 0; i < LAYER_COUNT; ++i) {
        EXPECT_EQ(layerStack.visible[i], i == 0 ? 1 : 0);
        EXPECT_TRUE(allPixelsAre(layerPixels(i), 0)) << "layer " << i;
    }
}

TEST(LayerStack, ComposeWithoutVisibleLayersIsAllZero) {
    freshGenerator();
    fillLayer(0xFFFFFFFFu);
    selectLayer(0, 0);
    outputImage.pixels[77] = 0x12345678u;
    composeVisible();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        ASSERT_EQ(outputImage.pixels[i], 0u) << i;
}

TEST(LayerStack, ComposeFoldsVisibleLayersBottomToTop) {
    freshGenerator();
    fillLayer(0xFF0000FFu); // opaque red
    selectLayer(5, 0);
    fillLayer(0xFFFF0000u); // hidden blue takes no part
    selectLayer(9, 1);
    fillLayer(0x8000FF00u); // half green on top
    composeVisible();
    uint32_t expect = overPixelReference(overPixelReference(0, 0xFF0000FFu), 0x8000FF00u);
    EXPECT_EQ(outputImage.pixels[0], expect);
    EXPECT_EQ(outputImage.pixels[PIXEL_COUNT - 1], expect);
}

TEST(LayerStack, BlendAndMaskedBlend) {
    freshGenerator();
    std::mt19937 gen(3);
    selectLayer(1, 0);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        currentLayer()[i] = gen();
    selectLayer(2, 0);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        currentLayer()[i] = gen();
    selectLayer(3, 1);
    fillLayer(0x40302010u);
    maskedBlend(1, 2, CH_B);
    for (int i = 0; i < PIXEL_COUNT; i += 97) {
        uint32_t c = layerPixels(1)[i], m = channelOf(layerPixels(2)[i], CH_B);
        uint32_t s = withChannel(c, CH_A, std::min(c >> 24, m));
        ASSERT_EQ(currentLayer()[i], overPixelReference(0x40302010u, s)) << i;
    }
    fillLayer(0x40302010u);
    blendLayer(1);
    for (int i = 0; i < PIXEL_COUNT; i += 89)
        ASSERT_EQ(currentLayer()[i], overPixelReference(0x40302010u, layerPixels(1)[i]));
}

TEST(LayerStack, MaskedBlendThroughAnEmptyMaskChangesNothing) {
    freshGenerator();
    selectLayer(1, 0);
    fillLayer(0xFF00FF00u);
    selectLayer(2, 0);
    fillLayer(0xFFFFFF00u); // channel R is 0 everywhere
    selectLayer(3, 1);
    fillLayer(0x80123456u);
    maskedBlend(1, 2, CH_R);
    EXPECT_EQ(currentLayer()[0], 0x80123456u);
    EXPECT_EQ(currentLayer()[PIXEL_COUNT / 2], 0x80123456u);
}

TEST(Random, FirstValuesAfterStart) {
    rng = XORSHIFT96_START;
    const uint32_t expect[5] = {41943, 27068, 52435, 15924, 7668};
    for (uint32_t e : expect)
        EXPECT_EQ(nextRandom(), e);
    rng = XORSHIFT96_START;
    EXPECT_DOUBLE_EQ(randomUnit4096(), double(41943 % 4096) / 4096);
}
