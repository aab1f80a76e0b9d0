// The table of symbol codes drawn from a Unicode font, and the ink checks the
// text tests use to tell a symbol from a placeholder box.
#include "platform/symbol_fallback.h"
#include "tests/platform/ink_shape.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(SymbolFallback, FindsTheCodesOfThePictureWithTheirUnicodeEquivalents) {
    const SymbolFallback* island = findSymbolFallback("Webdings", 74);
    ASSERT_NE(island, nullptr);
    EXPECT_EQ(island->codepoint, 0x1F3DDu);
    EXPECT_STREQ(island->unicodeFace, "Symbola");
    const SymbolFallback* ship = findSymbolFallback("webdings", 84); // names ignore case
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(ship->codepoint, 0x1F6F3u);
}

TEST(SymbolFallback, OtherCodesAndFacesHaveNone) {
    EXPECT_EQ(findSymbolFallback("Webdings", 75), nullptr);
    EXPECT_EQ(findSymbolFallback("Tahoma", 74), nullptr);
    EXPECT_EQ(findSymbolFallback("Webdings2", 74), nullptr);
    EXPECT_EQ(findSymbolFallback("Web", 74), nullptr);
}

// A 64 x 64 picture with helpers to draw rectangles into it.
struct Picture {
    std::vector<bool> ink = std::vector<bool>(64 * 64);
    void fill(int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                ink[y * 64 + x] = true;
    }
    InkShape shape(int x0, int x1) const {
        return inkShape(x0, 0, x1, 64, [this](int x, int y) { return bool(ink[y * 64 + x]); });
    }
};

TEST(InkShape, TellsBoxesFromSymbols) {
    Picture frame; // a hollow rectangle, 2 pixels thick
    frame.fill(4, 4, 28, 6), frame.fill(4, 40, 28, 42), frame.fill(4, 4, 6, 42);
    frame.fill(26, 4, 28, 42);
    EXPECT_TRUE(looksLikeABox(frame.shape(0, 32)));
    Picture block;
    block.fill(4, 4, 28, 42);
    EXPECT_TRUE(looksLikeABox(block.shape(0, 32)));
    EXPECT_TRUE(looksLikeABox(Picture().shape(0, 32))) << "no ink at all";
    Picture cross; // a plus sign: ink in the middle, corners empty
    cross.fill(14, 4, 18, 42), cross.fill(4, 21, 28, 25);
    EXPECT_FALSE(looksLikeABox(cross.shape(0, 32)));
}

TEST(InkShape, ComparesTwoHalves) {
    Picture same, other;
    same.fill(4, 4, 20, 20), same.fill(36, 4, 52, 20);
    other.fill(4, 4, 20, 20), other.fill(40, 30, 60, 40);
    auto dark = [](const Picture& p) {
        return [&p](int x, int y) { return bool(p.ink[y * 64 + x]); };
    };
    EXPECT_EQ(inkDifference(0, 32, 32, 0, 64, dark(same)), 0.0);
    EXPECT_EQ(inkDifference(0, 32, 32, 0, 64, dark(other)), 1.0);
}

} // namespace
