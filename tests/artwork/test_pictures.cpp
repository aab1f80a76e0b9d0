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

// Counts texels picture 16 shows inside the shader window on a screen of the
// given height / width that are not fully transparent. The window quad has the
// corners the framed scene draws; the picture spans the screen width, so a
// screen point (x, y) samples texture (s, t) = ((x + 1) / 2, (1 - y) / 2 * aspect).
// Linear filtering reads the 2 x 2 texels around each sample.
int opaqueTexelsInWindow(const uint32_t* picture, double aspect) {
    const double cx[4] = {-0.44, -0.44, 0.27, 0.27}, cy[4] = {0.77, 0.2, 0.17, 0.76};
    int bad = 0;
    for (int i = 0; i <= 400; ++i) {
        for (int j = 0; j <= 400; ++j) {
            double u = i / 400.0, v = j / 400.0;
            double x = (1 - u) * ((1 - v) * cx[0] + v * cx[1]) + u * ((1 - v) * cx[3] + v * cx[2]);
            double y = (1 - u) * ((1 - v) * cy[0] + v * cy[1]) + u * ((1 - v) * cy[3] + v * cy[2]);
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

} // namespace

TEST(Picture16, ShaderWindowStaysTransparentOnCommonScreens) {
    const uint32_t* picture = buildTexture(16);
    ASSERT_NE(picture, nullptr);
    for (double aspect : {9.0 / 16.0, 10.0 / 16.0, 3.0 / 4.0, 4.0 / 5.0})
        EXPECT_EQ(opaqueTexelsInWindow(picture, aspect), 0) << "height / width " << aspect;
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
