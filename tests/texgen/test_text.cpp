#include "tests/platform/ink_shape.h"
#include "tests/texgen/oracles.h"
#include "texgen/ops.h"
#include <gtest/gtest.h>

namespace {

// Bounding box of the pixels darker than mid-grey in byte 0 (blue).
struct Ink {
    int left = TEX_SIZE, right = -1, top = TEX_SIZE, bottom = -1, count = 0;
};

Ink findInk() {
    Ink ink;
    for (int y = 0; y < TEX_SIZE; ++y)
        for (int x = 0; x < TEX_SIZE; ++x)
            if (channelOf(currentLayer()[y * TEX_SIZE + x], 0) < 128) {
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
    return ink;
}

} // namespace

TEST(RenderText, EmptyStringLeavesTheCanvasWhite) {
    freshGenerator();
    fillLayer(0x12345678u);
    renderText("", 64, "Tahoma");
    EXPECT_TRUE(allPixelsAre(currentLayer(), 0x00FFFFFFu));
}

TEST(RenderText, FullHeightCharacterIsCentredAndTall) {
    freshGenerator();
    renderText("H", 1024, "Tahoma");
    Ink ink = findInk();
    ASSERT_GT(ink.count, 10000);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 512, 16);
    EXPECT_GT(ink.bottom - ink.top, 600);
    EXPECT_LT(ink.bottom, 1024);
    EXPECT_EQ(currentLayer()[512 * TEX_SIZE + 2], 0x00FFFFFFu); // white beside the letter
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        uint32_t p = currentLayer()[i];
        ASSERT_EQ(channelOf(p, 0), channelOf(p, 1));
        ASSERT_EQ(channelOf(p, 0), channelOf(p, 2));
    }
}

TEST(RenderText, CaptionSitsInTheTopRows) {
    freshGenerator();
    renderText("Is this Demoscene ?", 45, "Tahoma");
    Ink ink = findInk();
    ASSERT_GT(ink.count, 200);
    EXPECT_GE(ink.top, 2);
    EXPECT_LE(ink.bottom, 45);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 512, 8);
    EXPECT_LT(ink.right - ink.left, 500);
}

TEST(RenderText, SymbolFaceUsesTheSymbolCodes) {
    freshGenerator();
    renderSymbol('0');
    Ink symbol = findInk();
    renderText("0", 1024, "Tahoma");
    Ink digit = findInk();
    ASSERT_GT(symbol.count, 1000);
    EXPECT_NE(symbol.count, digit.count);
}

// The symbols of the first picture, which the face found for "Webdings" may
// have only as placeholder boxes: drawn from their Unicode equivalents at the
// symbol size, horizontally centred, the top of the cell at row 0.
TEST(RenderText, PictureSymbolsAreDrawnNotBoxed) {
    freshGenerator();
    auto dark = [](int x, int y) { return channelOf(currentLayer()[y * TEX_SIZE + x], 0) < 128; };
    for (const uint8_t code : {74, 84}) {
        renderSymbol(code);
        const InkShape symbol = inkShape(0, 0, TEX_SIZE, TEX_SIZE, dark);
        EXPECT_FALSE(looksLikeABox(symbol)) << int(code);
        EXPECT_GT(symbol.ink, 100000) << int(code);
        EXPECT_NEAR((symbol.left + symbol.right) / 2.0, 512, 16) << int(code);
        EXPECT_GT(symbol.bottom - symbol.top, 500) << int(code);
        EXPECT_GT(symbol.left, 0) << int(code);
        EXPECT_LT(symbol.right, TEX_SIZE - 1) << int(code);
    }
}

TEST(RenderText, MissingFaceFallsBackToAnotherFace) {
    freshGenerator();
    renderText("Grab a beer.", 64, "No Such Face At All");
    Ink ink = findInk();
    EXPECT_GT(ink.count, 300);
    EXPECT_LE(ink.bottom, 64);
}
