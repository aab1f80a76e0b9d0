#include "tests/texgen/oracles.h"
#include "texgen/ops.h"
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;

uint32_t& at(int x, int y) {
    return currentLayer()[y * TEX_SIZE + x];
}

int countPixels(uint32_t value) {
    int n = 0;
    for (int i = 0; i < PIXEL_COUNT; ++i)
        n += currentLayer()[i] == value;
    return n;
}

std::vector<uint32_t> copyLayer() {
    return {currentLayer(), currentLayer() + PIXEL_COUNT};
}
void restoreLayer(const std::vector<uint32_t>& v) {
    std::copy(v.begin(), v.end(), currentLayer());
}

double unit(int pixel) {
    return pixel / 1023.0;
} // rounds back to the pixel as a fill seed

} // namespace

TEST(DrawLine, HorizontalAndVerticalLinesCoverTheirSpan) {
    freshGenerator();
    drawLine(0.1, 0.5, 0.9, 0.5); // X 102..920 at Y 511
    EXPECT_EQ(countPixels(WHITE), 819);
    EXPECT_EQ(at(102, 511), WHITE);
    EXPECT_EQ(at(920, 511), WHITE);
    fillLayer(0);
    drawLine(0.3, 0.9, 0.3, 0.2); // Y 204..920 at X 306
    EXPECT_EQ(countPixels(WHITE), 717);
    EXPECT_EQ(at(306, 204), WHITE);
}

TEST(DrawLine, DiagonalLinesHaveNoGapsEitherWay) {
    for (auto [x0, y0, x1, y1] : {std::array{0.1, 0.1, 0.2, 0.9}, std::array{0.9, 0.2, 0.05, 0.3},
                                  std::array{0.0, 1.0, 1.0, 0.0}}) {
        freshGenerator();
        drawLine(x0, y0, x1, y1);
        std::vector<uint32_t> forward = copyLayer();
        int X0 = int(1023 * x0), Y0 = int(1023 * y0), X1 = int(1023 * x1), Y1 = int(1023 * y1);
        for (int x = std::min(X0, X1); x <= std::max(X0, X1); ++x) {
            int hits = 0;
            for (int y = 0; y < TEX_SIZE; ++y)
                hits += at(x, y) == WHITE;
            ASSERT_GE(hits, 1) << "column " << x;
        }
        for (int y = std::min(Y0, Y1); y <= std::max(Y0, Y1); ++y) {
            int hits = 0;
            for (int x = 0; x < TEX_SIZE; ++x)
                hits += at(x, y) == WHITE;
            ASSERT_GE(hits, 1) << "row " << y;
        }
        fillLayer(0);
        drawLine(x1, y1, x0, y0);
        EXPECT_EQ(copyLayer(), forward);
    }
}

TEST(DrawLine, SamePixelDrawsNothingAndOnePointPolylineNothing) {
    freshGenerator();
    drawLine(0.5, 0.5, 0.5004, 0.5003);
    const double one[1][2] = {{0.3, 0.3}};
    drawPolyline(one, 1);
    EXPECT_TRUE(allPixelsAre(currentLayer(), 0));
}

TEST(Stroke, DiscOfHalfSizeReachesTheEdges) {
    freshGenerator();
    const double centre[1][2] = {{0.5, 0.5}};
    strokePolyline(centre, 1, WHITE, 0.5);
    EXPECT_EQ(at(512, 512), WHITE);
    EXPECT_EQ(at(1, 512), WHITE);
    EXPECT_EQ(at(1023, 512), WHITE);
    EXPECT_EQ(at(512, 1), WHITE);
    EXPECT_EQ(at(512, 1023), WHITE);
    EXPECT_EQ(at(0, 512), 0u); // exactly r away: not inside
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(1023, 1023), 0u);
}

TEST(Stroke, CapsAreCutAtTheImageEdges) {
    freshGenerator();
    const double right[2][2] = {{0.9, 0.5}, {1.0, 0.5}};
    strokePolyline(right, 2, WHITE, 0.05);
    const double bottomLeft[2][2] = {{0.0, 0.97}, {0.0, 1.0}};
    strokePolyline(bottomLeft, 2, 0xFF0000FFu, 0.05);
    EXPECT_EQ(at(1023, 512), WHITE);
    EXPECT_EQ(at(1023, 512 + 50), WHITE);
    EXPECT_EQ(at(0, 1023), 0xFF0000FFu);
    EXPECT_EQ(at(50, 1023), 0xFF0000FFu);
    EXPECT_EQ(at(52, 1023), 0u);
}

TEST(Stroke, SegmentCoversItsBandAndRoundCaps) {
    freshGenerator();
    const double seg[2][2] = {{0.25, 0.5}, {0.75, 0.5}};
    strokePolyline(seg, 2, WHITE, 0.01); // about 10 pixels
    EXPECT_EQ(at(512, 512 + 10), WHITE);
    EXPECT_EQ(at(512, 512 + 11), 0u);
    EXPECT_EQ(at(256 - 10, 512), WHITE); // cap
    EXPECT_EQ(at(256 - 8, 512 - 7), 0u); // outside the round cap's corner
    EXPECT_EQ(at(768 + 10, 512), WHITE);
}

TEST(Stroke, ZeroLengthSegmentDrawsNothing) {
    freshGenerator();
    const double same[2][2] = {{0.4, 0.4}, {0.4, 0.4}};
    strokePolyline(same, 2, WHITE, 0.05);
    glowPolyline(same, 2, WHITE, 0.05);
    EXPECT_TRUE(allPixelsAre(currentLayer(), 0));
}

TEST(Glow, ColourScalesWithAlphaOverTransparentBlack) {
    freshGenerator();
    // One segment and one disc apart from it: every pixel blended once.
    const double seg[2][2] = {{0.25, 0.25}, {0.625, 0.3125}}, disc[1][2] = {{0.5, 0.75}};
    glowPolyline(seg, 2, 0x00101010u, 0.03);
    glowPolyline(disc, 1, 0x00101010u, 0.05);
    int touched = 0;
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        uint32_t p = currentLayer()[i], a = p >> 24, c = 0x10 * a / 255;
        ASSERT_EQ(p & 0x00FFFFFFu, c | c << 8 | c << 16) << i;
        touched += a > 0;
    }
    EXPECT_GT(touched, 1000);
    EXPECT_EQ(at(256, 256), 0xFF101010u); // exactly on the first point
}

TEST(Glow, DiscAlphaFallsLinearly) {
    freshGenerator();
    const double c[1][2] = {{0.5, 0.5}};
    glowPolyline(c, 1, 0x000000FFu, 0.1);
    EXPECT_EQ(at(512, 512), 0xFF0000FFu);
    // d = 0.05: alpha trunc(0.05 * 255 / 0.1) = 127
    uint32_t half = at(512 + 51, 512) >> 24, expect = uint32_t((0.1 - 51 / 1024.0) * 255 / 0.1);
    EXPECT_EQ(half, expect);
    EXPECT_EQ(at(512 + 103, 512), 0u);
}

TEST(FloodFill, MatchesTheExpandingWindowOnRandomImages) {
    std::mt19937 gen(2024);
    const uint32_t palette[4] = {0x00000000u, 0xFFFFFFFFu, 0x000000FFu, 0x80000000u};
    const int corners[4][2] = {{0, 0}, {1024 - 40, 1024 - 40}, {500, 0}, {0, 700}};
    for (int round = 0; round < 24; ++round) {
        freshGenerator();
        const uint32_t wall = 0x12345678u;
        fillLayer(wall);
        int ox = corners[round % 4][0], oy = corners[round % 4][1], size = 40;
        int colours = 2 + round % 3;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                at(ox + x, oy + y) = palette[gen() % colours];
        // A one-pixel "line" through the patch, as drawn line art would be.
        for (int x = 0; x < size; ++x)
            at(ox + x, oy + (x * 7 / 10 + round) % size) = WHITE;
        int sx = ox + int(gen() % size), sy = oy + int(gen() % size);
        if (round % 6 == 1) sy = oy + ((sx - ox) * 7 / 10 + round) % size; // on the line
        uint32_t target = at(sx, sy);
        uint32_t colour = round % 5 == 0 ? target : palette[gen() % 4] ^ (round % 3 ? 0 : 0x0F);
        std::vector<uint32_t> start = copyLayer();
        floodFillReference(unit(sx), unit(sy), colour);
        std::vector<uint32_t> expect = copyLayer();
        restoreLayer(start);
        floodFill(unit(sx), unit(sy), colour);
        ASSERT_EQ(copyLayer(), expect) << "round " << round;
    }
}

TEST(FloodFill, FillsOnlyTheFourConnectedRegion) {
    freshGenerator();
    // Two pixels touching only diagonally.
    at(10, 10) = 0xFF000001u;
    at(11, 11) = 0xFF000001u;
    floodFill(unit(10), unit(10), 0xFF00FF00u);
    EXPECT_EQ(at(10, 10), 0xFF00FF00u);
    EXPECT_EQ(at(11, 11), 0xFF000001u);
    EXPECT_EQ(countPixels(0u), PIXEL_COUNT - 2);
    // The whole background is one region, the image edges bound it.
    floodFill(unit(1023), unit(0), 0xFF0000FFu);
    EXPECT_EQ(countPixels(0xFF0000FFu), PIXEL_COUNT - 2);
}

TEST(FloodFill, SameColourAsTargetChangesNothing) {
    freshGenerator();
    drawLine(0.1, 0.1, 0.9, 0.9);
    std::vector<uint32_t> start = copyLayer();
    floodFill(0.5, 0.2, 0);
    floodFill(unit(511), unit(511), WHITE);
    EXPECT_EQ(copyLayer(), start);
}

TEST(SpreadAlpha, MatchesRepeatedPassesOnRandomLayers) {
    std::mt19937 gen(99);
    for (double r : {0.003891, 0.002918, 0.0125}) {
        freshGenerator();
        for (int i = 0; i < PIXEL_COUNT; ++i)
            currentLayer()[i] = gen() & 0x00FFFFFFu;
        for (int k = 0; k < 300; ++k)
            at(int(gen() % 1024), int(gen() % 1024)) |= (gen() % 256) << 24;
        for (int k : {0, 1023}) {
            at(k, int(gen() % 1024)) |= 0xFF000000u; // on the borders
            at(int(gen() % 1024), k) |= 0xF0000000u;
        }
        at(0, 0) |= 0xFF000000u;
        at(1023, 1023) |= 0xC8000000u;
        std::vector<uint32_t> start = copyLayer();
        spreadAlphaReference(r);
        std::vector<uint32_t> expect = copyLayer();
        restoreLayer(start);
        spreadAlpha(r);
        ASSERT_EQ(copyLayer(), expect) << "radius " << r;
    }
}

TEST(SpreadAlpha, SinglePixelStepsAndTinyRadius) {
    freshGenerator();
    at(100, 100) = 0xFF000000u;
    spreadAlpha(0.002918); // step 85, diagonal 127
    EXPECT_EQ(at(101, 100) >> 24, 170u);
    EXPECT_EQ(at(100, 99) >> 24, 170u);
    EXPECT_EQ(at(101, 101) >> 24, 128u);
    EXPECT_EQ(at(102, 100) >> 24, 85u);
    EXPECT_EQ(at(103, 100) >> 24, 0u);
    std::vector<uint32_t> before = copyLayer();
    spreadAlpha(0.00001);
    EXPECT_EQ(copyLayer(), before);
}

TEST(ShiftLayer, TruncatesAndWraps) {
    freshGenerator();
    at(600, 20) = 1;
    at(10, 30) = 2;
    shiftLayer(-0.5, 0); // trunc(-511.5) = -511
    EXPECT_EQ(at(89, 20), 1u);
    EXPECT_EQ(at(523, 30), 2u);
    shiftLayer(0.501221, 0.000488); // 512 across, 0 down
    EXPECT_EQ(at(601, 20), 1u);
    shiftLayer(0, -0.05); // trunc(-51.15) = -51 rows, wrapping to the bottom
    EXPECT_EQ(at(601, 1024 - 31), 1u);
    EXPECT_EQ(at(11, 1024 - 21), 2u);
    EXPECT_EQ(countPixels(0), PIXEL_COUNT - 2);
}

TEST(ScaleLayer, HalvePointSamplesIntoTheCorner) {
    freshGenerator();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        currentLayer()[i] = uint32_t(i) | 0xFF000000u;
    halveLayer();
    EXPECT_EQ(at(3, 5), uint32_t(10 * 1024 + 6) | 0xFF000000u);
    EXPECT_EQ(at(511, 511), uint32_t(1022 * 1024 + 1022) | 0xFF000000u);
    EXPECT_EQ(at(512, 0), 0u);
    EXPECT_EQ(at(0, 512), 0u);
    scaleLayer(-1);
    EXPECT_EQ(at(255, 255), uint32_t(1020 * 1024 + 1020) | 0xFF000000u);
    int outside = 0;
    for (int y = 0; y < TEX_SIZE; ++y)
        for (int x = 0; x < TEX_SIZE; ++x)
            outside += (x > 255 || y > 255) && at(x, y) != 0;
    EXPECT_EQ(outside, 0);
}

TEST(ScaleLayer, DoubleEnlargesTheCorner) {
    freshGenerator();
    at(3, 4) = 7;
    at(511, 511) = 9;
    scaleLayer(1);
    EXPECT_EQ(at(6, 8), 7u);
    EXPECT_EQ(at(7, 9), 7u);
    EXPECT_EQ(at(1023, 1022), 9u);
    EXPECT_EQ(countPixels(7), 4);
}

TEST(Robustness, PositionsOffTheImageStayOffTheImage) {
    freshGenerator();
    drawLine(-0.5, 0.5, 1.5, 0.5); // clipped to the row
    EXPECT_EQ(countPixels(WHITE), 1024);
    drawLine(1e30, -1e30, 2.0, 3.0); // entirely outside: nothing
    EXPECT_EQ(countPixels(WHITE), 1024);
    const double far[2][2] = {{5.0, 5.0}, {7.0, -3.0}}, disc[1][2] = {{-2.0, 9.0}};
    strokePolyline(far, 2, 0xFF0000FFu, 0.1);
    glowPolyline(disc, 1, 0xFF0000FFu, 0.5);
    floodFill(-0.2, 0.5, 0xFF00FF00u);
    floodFill(0.5, 1.7, 0xFF00FF00u);
    EXPECT_EQ(countPixels(WHITE), 1024);
    EXPECT_EQ(countPixels(0), PIXEL_COUNT - 1024);
}
