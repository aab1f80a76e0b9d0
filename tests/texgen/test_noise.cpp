#include "tests/texgen/oracles.h"
#include "texgen/ops.h"
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

std::vector<uint32_t> copyLayer() {
    return {currentLayer(), currentLayer() + PIXEL_COUNT};
}

bool sameRng(const Xorshift96& a, const Xorshift96& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Mean absolute step between neighbours across the wrap and inside the image.
void wrapAndInnerSteps(const uint32_t* p, bool columns, double& wrap, double& inner) {
    wrap = inner = 0;
    for (int a = 0; a < TEX_SIZE; ++a) {
        auto at = [&](int b) {
            return int32_t(columns ? p[a * TEX_SIZE + b] : p[b * TEX_SIZE + a]);
        };
        wrap += std::abs(at(TEX_SIZE - 1) - at(0));
        for (int b = 0; b + 1 < TEX_SIZE; ++b)
            inner += std::abs(at(b + 1) - at(b));
    }
    wrap /= TEX_SIZE;
    inner /= double(TEX_SIZE) * (TEX_SIZE - 1);
}

} // namespace

TEST(RandomWalk, MatchesTheStepByStepWalk) {
    for (int stepDiv : {16, 64}) {
        freshGenerator();
        std::mt19937 gen(static_cast<uint32_t>(stepDiv));
        for (int i = 0; i < PIXEL_COUNT; ++i)
            currentLayer()[i] = gen() | 0x00FEFF00u * (i % 5 == 0);
        std::vector<uint32_t> start = copyLayer();
        Xorshift96 before = rng;
        randomWalkReference(5, stepDiv);
        std::vector<uint32_t> expect = copyLayer();
        Xorshift96 expectRng = rng;
        std::copy(start.begin(), start.end(), currentLayer());
        rng = before;
        randomWalk(5, stepDiv);
        EXPECT_TRUE(sameRng(rng, expectRng));
        EXPECT_EQ(copyLayer(), expect) << "step divisor " << stepDiv;
    }
}

TEST(RandomWalk, NeverAbove254AndNeverLowers) {
    freshGenerator();
    std::mt19937 gen(11);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        currentLayer()[i] = gen() % 4 == 0 ? gen() : 0u;
    std::vector<uint32_t> start = copyLayer();
    randomWalk(12, 4);
    int raised = 0;
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        uint32_t was = start[size_t(i)], now = currentLayer()[i];
        ASSERT_EQ(now >> 24, was >> 24) << "alpha touched at " << i;
        for (int k = 0; k < 3; ++k) {
            uint32_t a = channelOf(was, k), b = channelOf(now, k);
            ASSERT_GE(b, a) << i;
            if (b > a) {
                ++raised;
                ASSERT_LE(b, 254u) << i;
            }
        }
    }
    EXPECT_GT(raised, 1000);
}

TEST(GradientNoise, MatchesTheDirectEvaluation) {
    freshGenerator();
    gradientNoiseReference(256);
    std::vector<uint32_t> expect = copyLayer();
    Xorshift96 expectRng = rng;
    freshGenerator();
    gradientNoise(256);
    EXPECT_TRUE(sameRng(rng, expectRng));
    EXPECT_EQ(copyLayer(), expect);
}

TEST(GradientNoise, TilesAcrossBothEdges) {
    freshGenerator();
    gradientNoise(8);
    for (bool columns : {true, false}) {
        double wrap, inner;
        wrapAndInnerSteps(currentLayer(), columns, wrap, inner);
        EXPECT_GT(inner, 0.5);
        EXPECT_LT(wrap, 1.5 * inner) << (columns ? "column 1023 to 0" : "row 1023 to 0");
    }
}

TEST(GradientMap, AlphaRunsOverTheWholeRange) {
    freshGenerator();
    gradientNoise(256);
    gradientMap(0x00000000u, 0x54000000u);
    uint32_t lo = 255, hi = 0;
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        uint32_t p = currentLayer()[i];
        ASSERT_EQ(p & 0x00FFFFFFu, 0u);
        lo = std::min(lo, p >> 24);
        hi = std::max(hi, p >> 24);
    }
    EXPECT_EQ(lo, 0u);
    EXPECT_EQ(hi, 84u);
}

TEST(GradientMap, PerByteBlendBetweenTheEndColours) {
    freshGenerator();
    currentLayer()[0] = 100;
    currentLayer()[1] = 300; // all others 0: the minimum
    gradientMap(0x10203040u, 0x90A0B0C0u);
    EXPECT_EQ(currentLayer()[5], 0x10203040u);
    EXPECT_EQ(currentLayer()[1], 0x90A0B0C0u);
    // t = 1/3: 0x40 + (0xC0 - 0x40) / 3 = 106.67 -> 106 (0x6A)
    EXPECT_EQ(currentLayer()[0] & 0xFF, 0x6Au);
}

TEST(NormaliseLayer, StretchesToTheFullRange) {
    freshGenerator();
    fillLayer(1000);
    currentLayer()[7] = 3000;
    currentLayer()[8] = 2000;
    normaliseLayer();
    EXPECT_EQ(currentLayer()[0], 0u);
    EXPECT_EQ(currentLayer()[7], 0xFFFFFFFFu);
    EXPECT_EQ(currentLayer()[8], uint32_t(1000ull * 0xFFFFFFFFull / 2000));
}

TEST(NormaliseLayer, ConstantLayerBecomesZero) {
    freshGenerator();
    fillLayer(0x12345678u);
    normaliseLayer();
    EXPECT_TRUE(allPixelsAre(currentLayer(), 0));
}

TEST(ValueNoise, AddsToWhatTheLayerHolds) {
    freshGenerator();
    valueNoise(24.0, 2);
    std::vector<uint32_t> alone = copyLayer();
    Xorshift96 after = rng;
    freshGenerator();
    fillLayer(5000);
    valueNoise(24.0, 2);
    EXPECT_TRUE(sameRng(rng, after));
    for (int i = 0; i < PIXEL_COUNT; i += 61)
        ASSERT_EQ(currentLayer()[i], alone[size_t(i)] + 5000);
    uint32_t hi = 0;
    for (uint32_t v : alone)
        hi = std::max(hi, v);
    EXPECT_GT(hi, 0u);
    EXPECT_LT(hi, 268435455u); // weights 1/2 + 1/4 of at most 1
}
