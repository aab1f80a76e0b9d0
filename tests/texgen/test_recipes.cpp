#include "tests/platform/ink_shape.h"
#include "tests/texgen/oracles.h"
#include "texgen/artwork.h"
#include "texgen/ops.h"
#include "texgen/recipes.h"
#include "texgen/texgen.h"
#include <gtest/gtest.h>

namespace {

// First point of the index-th drawing step of recipe.
int stepStart(int recipe, int index) {
    int start = 0, seen = 0;
    for (const ArtworkStep& s : ArtworkSteps) {
        if (s.recipe == recipe && seen++ == index) return start;
        start += s.count;
    }
    return -1;
}

} // namespace

TEST(BuildTexture, IdsAboveTheRecipesGiveNull) {
    selectLayer(7, 1);
    fillLayer(0xFFFFFFFFu);
    EXPECT_EQ(buildTexture(17), nullptr);
    EXPECT_EQ(layerStack.visible[7], 0);
    EXPECT_TRUE(allPixelsAre(layerPixels(7), 0));
}

TEST(BuildTexture, StartupSetHas98Textures) {
    int glyphs = 0, pictures = 0;
    for (int id = FIRST_STARTUP_ID; id <= 16; ++id)
        if (isStartupTexture(id)) (id < 0 ? glyphs : pictures)++;
    EXPECT_EQ(glyphs, 81);
    EXPECT_EQ(pictures, 17);
    EXPECT_FALSE(isStartupTexture(-47));
    EXPECT_TRUE(isStartupTexture(-46));
    EXPECT_FALSE(isStartupTexture(-123));
}

TEST(GlyphRecipe, PaleYellowWithCoverageAsAlpha) {
    resetStack();
    const uint32_t* p = buildTexture(-65);
    ASSERT_NE(p, nullptr);
    int opaque = 0, empty = 0;
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        uint32_t a = p[i] >> 24;
        ASSERT_EQ(channelOf(p[i], CH_R), a) << i;
        ASSERT_EQ(channelOf(p[i], CH_G), a) << i;
        ASSERT_EQ(channelOf(p[i], CH_B), 128 * a / 255) << i;
        opaque += a == 255;
        empty += p[i] == 0;
    }
    EXPECT_GT(opaque, 20000);
    EXPECT_GT(empty, PIXEL_COUNT / 2);
}

TEST(Recipe0, LowerHalfIsTransparentBlack) {
    const uint32_t* p = buildTexture(0);
    for (int i = PIXEL_COUNT / 2; i < PIXEL_COUNT; ++i)
        ASSERT_EQ(p[i], 0u) << i;
    EXPECT_EQ(p[0] >> 24, 255u); // the symbols' white ground is opaque
    EXPECT_EQ(p[700] >> 24, 255u);
}

// The backdrop of the first scene: a symbol in each half, each a picture of
// its own and not the box a font without the symbols draws for every code.
TEST(Recipe0, EachHalfHoldsItsOwnSymbolNotAPlaceholderBox) {
    const uint32_t* p = buildTexture(0);
    auto dark = [p](int x, int y) { return channelOf(p[y * TEX_SIZE + x], CH_R) < 128; };
    const int half = TEX_SIZE / 2;
    for (const int x0 : {0, half}) {
        const InkShape symbol = inkShape(x0, 0, x0 + half, half, dark);
        EXPECT_GT(symbol.ink, 20000) << "half at " << x0;
        EXPECT_FALSE(looksLikeABox(symbol)) << "half at " << x0;
        EXPECT_NEAR((symbol.left + symbol.right) / 2.0, x0 + half / 2, 16) << "half at " << x0;
    }
    EXPECT_GT(inkDifference(0, half, half, 0, half, dark), 0.1) << "the two symbols differ";
}

TEST(Recipe1, RegressionHash) {
    freshGenerator();
    const uint32_t* p = buildTexture(1);
    EXPECT_EQ(hashPixels(p, PIXEL_COUNT), 0x7e9de5d4b2fb7271ull);
    EXPECT_EQ(p[0] >> 24, 255u);
}

TEST(Recipe4, SecondLayerIsAWhiteRing) {
    // The ring's two discs are centred on the picture.
    int outer = stepStart(4, 10), inner = stepStart(4, 11);
    for (int k : {outer, inner}) {
        EXPECT_EQ(ArtworkPoints[k][0], 0.5);
        EXPECT_EQ(ArtworkPoints[k][1], 0.5);
    }
    buildTexture(4);
    const uint32_t* ring = layerPixels(1);
    auto at = [ring](int x, int y) { return ring[y * TEX_SIZE + x]; };
    EXPECT_EQ(layerStack.visible[1], 0);
    EXPECT_EQ(at(512, 512), 0u);
    EXPECT_EQ(at(512 + 505, 512), 0xFFFFFFFFu); // between radius 0.49 and 0.5
    EXPECT_EQ(at(512, 512 - 505), 0xFFFFFFFFu);
    EXPECT_EQ(at(512 + 400, 512), 0u);
    EXPECT_EQ(at(0, 0), 0u);
}

TEST(Recipe6, SecondDrawingIsDarkBlue) {
    buildTexture(6);
    const uint32_t* p = layerPixels(1);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        ASSERT_EQ(p[i] & 0x00FFFFFFu, 0x00740000u) << i;
}

TEST(Recipes, EachReadsItsOwnStretchOfArtwork) {
    for (int id = 16; id >= 0; --id) {
        if (id == 1 || id == 3) continue; // the random ones are covered elsewhere
        buildTexture(id);
        EXPECT_EQ(artworkCursor, artworkRecipeStart(id + 1)) << "recipe " << id;
    }
}

TEST(Recipe3, DependsOnTheRandomStateRecipe1Leaves) {
    freshGenerator();
    uint64_t alone = hashPixels(buildTexture(3), PIXEL_COUNT);
    EXPECT_EQ(artworkCursor, artworkRecipeStart(4));
    freshGenerator();
    buildTexture(1);
    uint64_t afterWalks = hashPixels(buildTexture(3), PIXEL_COUNT);
    EXPECT_NE(alone, afterWalks);
}

TEST(Artwork, StreamFitsItsSteps) {
    int total = 0, onePointLines = 0;
    for (const ArtworkStep& s : ArtworkSteps) {
        ASSERT_GE(s.count, 1);
        if (s.kind == ArtworkLines && s.count == 1) ++onePointLines;
        for (int k = total + 1; k < total + s.count; ++k)
            ASSERT_FALSE(ArtworkPoints[k][0] == ArtworkPoints[k - 1][0] &&
                         ArtworkPoints[k][1] == ArtworkPoints[k - 1][1])
                << "zero-length segment at point " << k;
        total += s.count;
    }
    EXPECT_EQ(total, ArtworkPointCount);
    EXPECT_EQ(onePointLines, 2);
    for (int k = 0; k < ArtworkPointCount; ++k) {
        ASSERT_GE(ArtworkPoints[k][0], 0.0) << k;
        ASSERT_LE(ArtworkPoints[k][0], 1.0) << k;
        ASSERT_GE(ArtworkPoints[k][1], 0.0) << k;
        ASSERT_LE(ArtworkPoints[k][1], 1.0) << k;
    }
}

TEST(GlyphRecipe, CodeIsTheLowByteOfMinusId) {
    resetStack();
    uint64_t a = hashPixels(buildTexture(-65), PIXEL_COUNT);
    uint64_t wrapped = hashPixels(buildTexture(-65 - 256), PIXEL_COUNT);
    EXPECT_EQ(a, wrapped);
    EXPECT_NE(buildTexture(INT32_MIN), nullptr); // code 0: an empty glyph
    EXPECT_TRUE(allPixelsAre(outputImage.pixels, 0));
}
