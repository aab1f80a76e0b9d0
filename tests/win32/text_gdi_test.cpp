#include "platform/text.h"
#include "tests/platform/ink_shape.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int size = 1024;

struct InkBox {
    int left = size, right = -1, top = size, bottom = -1;
    long pixels = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

std::vector<uint8_t> render(const char* text, uint16_t height, const char* face) {
    std::vector<uint8_t> canvas(size * size * 4, 0x55);
    platformRenderText(text, height, face, canvas.data());
    return canvas;
}

// Pixels whose blue byte is darker than mid grey count as ink.
InkBox inkBox(const std::vector<uint8_t>& canvas) {
    InkBox box;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (canvas[(y * size + x) * 4] >= 128) continue;
            ++box.pixels;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

// Ink as inkBox counts it, for the shape checks.
auto darkIn(const std::vector<uint8_t>& canvas) {
    return [&canvas](int x, int y) { return canvas[(y * size + x) * 4] < 128; };
}

TEST(GdiText, EmptyTextLeavesWhiteCanvas) {
    auto canvas = render("", 45, "Tahoma");
    for (int i = 0; i < size * size; ++i) {
        ASSERT_EQ(canvas[i * 4 + 0], 255) << "pixel " << i;
        ASSERT_EQ(canvas[i * 4 + 1], 255) << "pixel " << i;
        ASSERT_EQ(canvas[i * 4 + 2], 255) << "pixel " << i;
    }
}

TEST(GdiText, CaptionIsCentredAndTopAligned) {
    auto box = inkBox(render("HELLO WORLD", 45, "Tahoma"));
    ASSERT_GT(box.pixels, 200);
    EXPECT_LT(box.bottom, 45); // inside the cell, which starts at row 0
    EXPECT_GT(box.height(), 20);
    EXPECT_NEAR((box.left + box.right) / 2.0, 511.5, 4.0);
}

TEST(GdiText, FirstRowsOfCanvasAreTheTopOfTheLine) {
    // Rows top-down: a low cell leaves the lower half of the canvas white.
    auto box = inkBox(render("Ag", 64, "Tahoma"));
    ASSERT_GT(box.pixels, 0);
    EXPECT_LT(box.top, 32);
    EXPECT_LT(box.bottom, 64);
}

TEST(GdiText, FullHeightGlyphSpansMostOfTheCanvas) {
    auto box = inkBox(render("W", 1024, "Tahoma"));
    ASSERT_GT(box.pixels, 10000);
    EXPECT_GT(box.height(), 500);
    EXPECT_GT(box.left, 0); // the sides stay white
    EXPECT_LT(box.right, size - 1);
    EXPECT_NEAR((box.left + box.right) / 2.0, 511.5, 16.0);
}

TEST(GdiText, CellHeightScalesTheGlyph) {
    auto small = inkBox(render("H", 33, "Tahoma"));
    auto large = inkBox(render("H", 64, "Tahoma"));
    ASSERT_GT(small.pixels, 0);
    EXPECT_NEAR(double(large.height()) / small.height(), 64.0 / 33.0, 0.35);
}

TEST(GdiText, AmpersandIsDrawnNotTakenAsPrefix) {
    auto plain = inkBox(render("AB", 64, "Tahoma"));
    auto withAmp = inkBox(render("A&B", 64, "Tahoma"));
    EXPECT_GT(withAmp.width(), plain.width() + 10);
    EXPECT_LT(withAmp.bottom, 64); // no underline below the cell
}

// The symbols of the first picture: pictures of their own (from the Unicode
// equivalents where the face has only placeholder boxes), centred, top-aligned,
// and different from each other.
TEST(GdiText, SymbolFaceDrawsItsSymbolsNotPlaceholderBoxes) {
    const auto island = render("J", 1024, "Webdings");
    const auto ship = render("T", 1024, "Webdings");
    for (const auto* canvas : {&island, &ship}) {
        const InkShape symbol = inkShape(0, 0, size, size, darkIn(*canvas));
        EXPECT_GT(symbol.ink, 100000);
        EXPECT_FALSE(looksLikeABox(symbol))
            << "ink " << symbol.ink << " of which inside " << symbol.innerInk;
        EXPECT_NEAR((symbol.left + symbol.right) / 2.0, 511.5, 32.0);
        EXPECT_GT(symbol.bottom - symbol.top, 500);
        EXPECT_GT(symbol.left, 0);
        EXPECT_LT(symbol.right, size - 1);
    }
    auto both = [&](int x, int y) {
        return x < size ? darkIn(island)(x, y) : darkIn(ship)(x - size, y);
    };
    EXPECT_GT(inkDifference(0, size, size, 0, size, both), 0.1);
}

TEST(GdiText, SymbolFaceIsNotTheTextFace) {
    auto symbol = render("0", 1024, "Webdings");
    auto digit = render("0", 1024, "Tahoma");
    EXPECT_NE(inkBox(symbol).pixels, inkBox(digit).pixels);
}

TEST(GdiText, MissingFaceFallsBackToADefaultFont) {
    auto box = inkBox(render("HELLO", 45, "No Such Face At All"));
    EXPECT_GT(box.pixels, 100);
    EXPECT_LT(box.bottom, 45);
}

TEST(GdiText, RepeatedCallsGiveIdenticalResults) {
    // Every call releases its surface and font; results must not drift.
    auto first = render("Repeat", 57, "Tahoma");
    for (int i = 0; i < 20; ++i)
        render("Other text", 33, "Tahoma");
    EXPECT_EQ(first, render("Repeat", 57, "Tahoma"));
}

} // namespace
