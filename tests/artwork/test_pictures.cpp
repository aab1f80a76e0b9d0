// What the finished pictures must leave clear: the window the framed shader
// scene shows through picture 16, and the room the caption lines need.
#include "texgen/ops.h"
#include "texgen/texgen.h"
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

namespace {

uint32_t alphaOf(uint32_t p) {
    return p >> 24;
}

// The window quad of the framed scene, corners in screen units, and the
// point (u, v) of it (u from left to right, v from top to bottom).
constexpr double WindowX[4] = {-0.44, -0.44, 0.27, 0.27}, WindowY[4] = {0.77, 0.2, 0.17, 0.76};

void windowPoint(double u, double v, double& x, double& y) {
    x = (1 - u) * ((1 - v) * WindowX[0] + v * WindowX[1]) +
        u * ((1 - v) * WindowX[3] + v * WindowX[2]);
    y = (1 - u) * ((1 - v) * WindowY[0] + v * WindowY[1]) +
        u * ((1 - v) * WindowY[3] + v * WindowY[2]);
}

// Counts texels picture 16 shows over the window's rows vFrom..vTo on a
// screen of the given height / width that are not fully transparent. The
// picture spans the screen width, so a screen point (x, y) samples texture
// (s, t) = ((x + 1) / 2, (1 - y) / 2 * aspect). Linear filtering reads the
// 2 x 2 texels around each sample.
int opaqueTexelsInWindow(const uint32_t* picture, double aspect, double vFrom, double vTo) {
    int bad = 0;
    for (int i = 0; i <= 400; ++i) {
        for (int j = 0; j <= 400; ++j) {
            double x, y;
            windowPoint(i / 400.0, vFrom + (vTo - vFrom) * j / 400.0, x, y);
            double s = (x + 1) / 2 * 1024 - 0.5, t = (1 - y) / 2 * aspect * 1024 - 0.5;
            int s0 = int(std::floor(s)), t0 = int(std::floor(t));
            for (int ds = 0; ds < 2; ++ds)
                for (int dt = 0; dt < 2; ++dt) {
                    int px = std::clamp(s0 + ds, 0, 1023), py = std::clamp(t0 + dt, 0, 1023);
                    bad += alphaOf(picture[py * 1024 + px]) != 0;
                }
        }
    }
    return bad;
}

bool isFrame(uint32_t p) {
    return alphaOf(p) == 255 && (p & 0xFF) >= 200 && ((p >> 8) & 0xFF) >= 200 &&
           ((p >> 16) & 0xFF) >= 200;
}

// Screen pixels between the window's edge and the frame's bright edge on a
// 1280 x 720 screen, where a picture texel is 1.25 pixels: from the window
// point (u, v) on its edge, outwards in texel steps (ds, dt) until the frame.
double gapToFrame(const uint32_t* picture, double u, double v, int ds, int dt) {
    constexpr double aspect = 720.0 / 1280.0, pixelsPerTexel = 1.25;
    double x, y;
    windowPoint(u, v, x, y);
    double s = (x + 1) / 2 * 1024, t = (1 - y) / 2 * aspect * 1024;
    int px = ds < 0 ? int(std::floor(s)) - 1 : ds > 0 ? int(std::ceil(s)) : int(s);
    int py = dt < 0 ? int(std::floor(t)) - 1 : dt > 0 ? int(std::ceil(t)) : int(t);
    while (px >= 0 && px < 1024 && py >= 0 && py < 1024 && !isFrame(picture[py * 1024 + px]))
        px += ds, py += dt;
    double edge = ds != 0 ? s : t, frame = ds != 0 ? px + (ds < 0) : py + (dt < 0);
    return std::abs(frame - edge) * pixelsPerTexel;
}

} // namespace

// The window is cut for 16:9 and clear there; on squarer screens it lies lower
// and the frame's lower edge may crop the shader image, never its upper half.
TEST(Picture16, ShaderWindowStaysTransparentOnWideScreens) {
    const uint32_t* picture = buildTexture(16);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(opaqueTexelsInWindow(picture, 9.0 / 16.0, 0, 1), 0);
    for (double aspect : {10.0 / 16.0, 3.0 / 4.0, 4.0 / 5.0}) {
        EXPECT_EQ(opaqueTexelsInWindow(picture, aspect, 0, 0.5), 0) << "height / width " << aspect;
    }
}

// On a 1280 x 720 screen the frame's inner edge meets the shader image: no
// black band between them on any side, measured in three places per side.
TEST(Picture16, FrameMeetsTheWindowOnSixteenByNine) {
    const uint32_t* picture = buildTexture(16);
    ASSERT_NE(picture, nullptr);
    struct Side {
        const char* name;
        int ds, dt;
        bool alongU; // the side runs from left to right
        double at;   // v of a horizontal side, u of a vertical one
    };
    const Side sides[] = {
        {"bottom", 0, 1, true, 1},
        {"top", 0, -1, true, 0},
        {"left", -1, 0, false, 0},
        {"right", 1, 0, false, 1},
    };
    for (const Side& side : sides)
        for (double w : {0.1, 0.5, 0.9}) {
            double u = side.alongU ? w : side.at, v = side.alongU ? side.at : w;
            double gap = gapToFrame(picture, u, v, side.ds, side.dt);
            EXPECT_LE(gap, 16) << side.name << " at " << w;
            EXPECT_GE(gap, 0.5) << side.name << " at " << w << ": the frame covers the image";
        }
}

// The screen's frame (layer 1) has clean corners: its sides run down over the
// ends of the bar's passes, so that going down each outer edge only steps
// outwards at the top corner and inwards at the bottom one, never in and out
// again where a pass turns. Rows that span the frame are its top and the bar.
TEST(Picture16, FrameSidesRunStraightDownPastTheBar) {
    ASSERT_NE(buildTexture(16), nullptr);
    const uint32_t* frame = layerPixels(1);
    std::vector<int> inset[2]; // per row from the top: left edge, and 1023 - right edge
    for (int y = 0; y < 1024; ++y) {
        int first = 1024, last = -1;
        for (int x = 0; x < 1024; ++x)
            if (alphaOf(frame[y * 1024 + x]) != 0) first = std::min(first, x), last = x;
        if (last - first > 300) inset[0].push_back(first), inset[1].push_back(1023 - last);
    }
    for (const std::vector<int>& edge : inset) {
        ASSERT_GT(edge.size(), 150u);
        int dents = 0;
        bool inwards = false;
        for (size_t k = 1; k < edge.size(); ++k) {
            if (edge[k] > edge[k - 1]) inwards = true;
            if (edge[k] < edge[k - 1] && inwards) ++dents, inwards = false;
        }
        EXPECT_EQ(dents, 0) << (&edge == inset ? "left" : "right") << " edge";
    }
}

TEST(Picture16, FramesTheWindowAndShowsItsVisitors) {
    const uint32_t* picture = buildTexture(16);
    // Something is drawn right around the window and below it.
    int frame = 0, below = 0;
    for (int x = 250; x < 690; ++x) {
        for (int y = 40; y < 70; ++y)
            frame += alphaOf(picture[y * 1024 + x]) == 255;
        for (int y = 330; y < 576; ++y)
            below += alphaOf(picture[y * 1024 + x]) == 255;
    }
    EXPECT_GT(frame, 2000);
    EXPECT_GT(below, 5000);
}

namespace {

struct CaptionCheck {
    int recipe;
    std::vector<int> captions; // text layers, black letters in alpha
    int ground;                // layer the letters must stand on (a balloon, the table)
    std::vector<int> drawings; // layers no letter may touch
};

// Letter pixels (alpha >= 128) of the caption layers that are not on an opaque
// ground, and those that touch a drawing.
void countCollisions(const CaptionCheck& c, int& offGround, int& onDrawing, int& letters) {
    offGround = onDrawing = letters = 0;
    for (int layer : c.captions) {
        const uint32_t* text = layerPixels(layer);
        for (int i = 0; i < 1024 * 1024; ++i) {
            if (alphaOf(text[i]) < 128) continue;
            ++letters;
            offGround += alphaOf(layerPixels(c.ground)[i]) != 255;
            for (int d : c.drawings)
                onDrawing += alphaOf(layerPixels(d)[i]) != 0;
        }
    }
}

void expectCaptionsClear(std::initializer_list<CaptionCheck> checks) {
    for (const CaptionCheck& c : checks) {
        ASSERT_NE(buildTexture(c.recipe), nullptr);
        int offGround, onDrawing, letters;
        countCollisions(c, offGround, onDrawing, letters);
        EXPECT_GT(letters, 300) << "picture " << c.recipe;
        EXPECT_EQ(offGround, 0) << "picture " << c.recipe;
        EXPECT_EQ(onDrawing, 0) << "picture " << c.recipe;
    }
}

} // namespace

TEST(Captions, SitInTheirBalloonsClearOfTheFigures) {
    expectCaptionsClear({
        {7, {7, 8, 9}, 6, {0, 1, 3, 4, 5}},
        {8, {7}, 6, {0, 1, 3, 4, 5}},
        {9, {3, 4, 5}, 2, {0, 1}},
        {10, {3}, 2, {0, 1}},
        {12, {3, 4}, 2, {0, 1}},
        {13, {9}, 8, {0, 2, 3, 4, 5, 6}},
        {14, {9, 10}, 8, {0, 2, 3, 4, 5, 6}},
        {15, {6, 7}, 5, {0, 1, 2, 3, 4}},
    });
}

TEST(Captions, TheTownNameIsWrittenOnTheTable) {
    expectCaptionsClear({
        {13, {7}, 1, {0, 2, 3, 4, 5, 6}},
        {14, {7}, 1, {0, 2, 3, 4, 5, 6}},
    });
}

TEST(Captions, TheSumFitsInsideTheThoughtBubble) {
    ASSERT_NE(buildTexture(5), nullptr);
    // Layer 2 is the rendered sum, opaque, dark where the letters are.
    const uint32_t* text = layerPixels(2);
    int letters = 0, outside = 0, onFigures = 0;
    for (int i = 0; i < 1024 * 1024; ++i) {
        if ((text[i] & 0xFF) >= 128) continue;
        ++letters;
        outside += alphaOf(layerPixels(1)[i]) != 255;
        onFigures += alphaOf(layerPixels(0)[i]) != 0;
    }
    EXPECT_GT(letters, 300);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(onFigures, 0);
}
