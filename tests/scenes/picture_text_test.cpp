// Glyph text and the flat scenes, checked on rendered pixels.
#include "frame/gl_entries.h"
#include "scenes/greetings_names.h"
#include "scenes/scene_data.h"
#include "scenes/scenes.h"
#include "scenes/text.h"
#include "tests/scenes/scene_test_support.h"

#include <cmath>
#include <cstring>

namespace {

const PixelTest lit = [](uint32_t p) { return !isBlack(p); };

// Columns whose centres lie in [x0, x1), rows whose centres lie in (y1, y0].
void expectSpan(const Box& box, double x0, double x1, double yTop, double yBottom) {
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR(box.left, columnOf(x0), 1.0);
    EXPECT_NEAR(box.right, columnOf(x1) - 1, 1.0);
    EXPECT_NEAR(box.top, rowOf(yTop), 1.0);
    EXPECT_NEAR(box.bottom, rowOf(yBottom) - 1, 1.0);
}

void enableText() {
    callActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

TEST(GlyphCode, LowerCaseAndMarksFoldOntoTheUpperGlyphs) {
    EXPECT_EQ(glyphCode('a'), 'A');
    EXPECT_EQ(glyphCode('z'), 'Z');
    EXPECT_EQ(glyphCode('{'), '[');
    EXPECT_EQ(glyphCode('A'), 'A');
    EXPECT_EQ(glyphCode(' '), ' ');
    EXPECT_EQ(glyphCode('`'), '`');
    EXPECT_LT(glyphCode(static_cast<char>(0xe9)), 0); // beyond ASCII: no glyph
}

TEST(TextLine, TheEndCoversItsSevenCells) {
    setUpScenes();
    const Frame frame = renderScene(EndScene);
    expectSpan(findPixels(frame, isRed), -0.55, 0.15, 0.25, -0.25);
    // The space, fourth cell, stays empty; the cells beside it are drawn.
    const int row = static_cast<int>(rowOf(0.0));
    for (int x = static_cast<int>(columnOf(-0.25)) + 1; x < columnOf(-0.15) - 1; ++x)
        EXPECT_TRUE(isBlack(frame.at(x, row))) << x;
    EXPECT_TRUE(isRed(frame.at(static_cast<int>(columnOf(-0.3)), row)));
    EXPECT_TRUE(isRed(frame.at(static_cast<int>(columnOf(-0.1)), row)));
}

TEST(TextLine, LowerCaseUsesTheUpperCaseGlyph) {
    setUpScenes();
    intro.textures.glyphs['A'] = solidTexture(opaqueGreen);
    intro.textures.glyphs['['] = solidTexture(opaqueGreen);
    resetFrame();
    enableText();
    drawTextLine("a{", -0.5, 0.0, 0.1);
    const Frame frame = readFrame();
    EXPECT_TRUE(findPixels(frame, isRed).empty());
    expectSpan(findPixels(frame, lit), -0.6, -0.2, 0.5, -0.5);
}

TEST(TextLine, EmptyTextDrawsNothingAndKeepsTheMatrix) {
    setUpScenes();
    resetFrame();
    glTranslatef(0.25f, 0.5f, 0.0f);
    GLint depthBefore = 0, depthAfter = 0;
    GLfloat before[16], after[16];
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    enableText();
    drawTextLine("", 0.0, 0.0, 0.1);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(depthBefore, depthAfter);
    EXPECT_EQ(0, std::memcmp(before, after, sizeof before));
    EXPECT_TRUE(findPixels(readFrame(), lit).empty());
}

TEST(TextLine, ACharacterWithoutGlyphLeavesItsCellEmpty) {
    setUpScenes();
    resetFrame();
    enableText();
    drawTextLine("\xe9"
                 "A",
                 -0.5, 0.0, 0.1);
    expectSpan(findPixels(readFrame(), isRed), -0.4, -0.2, 0.5, -0.5);
}

TEST(WaveText, CellsAreOneUnitOfTheCallersMatrix) {
    setUpScenes();
    resetFrame();
    glScalef(0.5f, 0.5f, 0.5f);
    drawWaveText("A", 0.0, 0.0);
    expectSpan(findPixels(readFrame(), isRed), -0.25, 0.25, 0.25, -0.25);
}

TEST(WaveText, GlyphsFollowAFixedSineWave) {
    setUpScenes();
    resetFrame();
    glScalef(0.5f, 0.5f, 0.5f);
    const double cx = 0.3 * M_PI; // sin(cx / 0.6) = 1
    drawWaveText("A", -cx, 0.5);
    const double x = 0.5 * cx;
    expectSpan(findPixels(readFrame(), isRed), x - 0.25, x + 0.25, 0.5, 0.0);
}

// Picture 0 for the scroller: left half of s blue, right half green, the
// last of ten rows magenta (the part the scroller must not show).
GLuint scrollerPicture() {
    uint32_t pixels[10 * 2];
    for (int y = 0; y < 10; ++y) {
        pixels[y * 2] = y == 9 ? 0xffff00ff : opaqueBlue;
        pixels[y * 2 + 1] = y == 9 ? 0xffff00ff : opaqueGreen;
    }
    return makeTexture(pixels, 2, 10);
}

TEST(Scroller, ShowsTheTiledPictureAndNoGlyphAtTheStart) {
    setUpScenes();
    intro.textures.numbered[0] = scrollerPicture();
    intro.sceneTime = 0;
    const Frame frame = renderScene(ScrollerScene);
    EXPECT_TRUE(findPixels(frame, isRed).empty());
    EXPECT_TRUE(findPixels(frame, [](uint32_t p) { return red(p) > 200; }).empty());
    // s runs to 1.5: blue, green, then blue again from x = 1/3.
    for (int row : {0, testHeight / 2, testHeight - 1}) {
        EXPECT_TRUE(isBlue(frame.at(static_cast<int>(columnOf(-0.5)), row)));
        EXPECT_EQ(green(frame.at(static_cast<int>(columnOf(0.0)), row)), 255);
        EXPECT_TRUE(isBlue(frame.at(static_cast<int>(columnOf(0.6)), row)));
    }
}

TEST(Scroller, GlyphsEnterFromTheRightAndLeaveBeforeTheEnd) {
    setUpScenes();
    intro.sceneTime = 0.25; // first glyph centred at x = 0.8
    Box box = findPixels(renderScene(ScrollerScene), isRed);
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR(box.left, columnOf(0.7), 1.0);
    EXPECT_EQ(box.right, testWidth - 1);
    EXPECT_GE(box.top, rowOf(-0.4 + 0.1 + 0.1) - 1);
    EXPECT_LE(box.bottom, rowOf(-0.4 - 0.1 - 0.1) + 1);

    intro.sceneTime = 15.0; // the last glyph at x = -0.8
    EXPECT_FALSE(findPixels(renderScene(ScrollerScene), isRed).empty());
    intro.sceneTime = 15.3; // gone
    EXPECT_TRUE(findPixels(renderScene(ScrollerScene), isRed).empty());
}

TEST(Scroller, TextIsTheGreetingLine) {
    EXPECT_EQ(std::strlen(scrollerText), 111u);
    EXPECT_EQ(std::strncmp(scrollerText, "GREATINGS TO EVERYONE AT STONEFAIR 2018.", 40), 0);
}

TEST(Caption, TwoLinesCentredHalfACellLeft) {
    setUpScenes();
    intro.captionLine1 = "AB";
    intro.captionLine2 = "CDEF";
    const Frame frame = renderScene(CaptionScene);
    const int split = static_cast<int>(rowOf(-0.1));
    expectSpan(findPixels(frame, isRed, 0, split), -0.075, 0.025, 0.225, -0.025);
    expectSpan(findPixels(frame, isRed, split, testHeight - 1), -0.125, 0.075, -0.175, -0.425);
}

TEST(Caption, ANullSecondLineDrawsOneLine) {
    setUpScenes();
    intro.captionLine1 = "NOBODY";
    intro.captionLine2 = nullptr;
    const Frame frame = renderScene(CaptionScene);
    const int split = static_cast<int>(rowOf(-0.1));
    expectSpan(findPixels(frame, isRed, 0, split), -0.175, 0.125, 0.225, -0.025);
    EXPECT_TRUE(findPixels(frame, lit, split, testHeight - 1).empty());
}

// Four rows of distinct colours, row 0 at the top.
GLuint rowPicture() {
    const uint32_t pixels[4] = {0xff000040, 0xff000080, 0xff0000c0, 0xff0000ff};
    return makeTexture(pixels, 1, 4);
}

TEST(Caption, NoCaptionYetDrawsNothing) {
    setUpScenes();
    intro.captionLine1 = nullptr;
    intro.captionLine2 = nullptr;
    EXPECT_TRUE(findPixels(renderScene(CaptionScene), lit).empty());
}

TEST(Picture, Fit2IsASquareOfTheWholePictureAgainstTheLeftEdge) {
    setUpScenes();
    intro.textures.numbered[7] = rowPicture();
    intro.pictureTexture = 7;
    intro.pictureFit = 2;
    const Frame frame = renderScene(PictureScene);
    const double right = 2.0 * testHeight / testWidth - 1; // 0.125
    expectSpan(findPixels(frame, lit), -1.0, right, 1.0, -1.0);
    EXPECT_EQ(red(frame.at(0, 0)), 0x40);
    EXPECT_EQ(red(frame.at(0, testHeight - 1)), 0xff);
}

TEST(Picture, Fit1SpansTheWidthAndShowsTheTopOfThePicture) {
    setUpScenes();
    intro.textures.numbered[7] = rowPicture();
    intro.pictureTexture = 7;
    intro.pictureFit = 1;
    const Frame frame = renderScene(PictureScene);
    expectSpan(findPixels(frame, lit), -1.0, 1.0, 1.0, -1.0);
    // t reaches 180/320 = 0.5625 at the bottom: rows 0 to 2 of 4 are shown,
    // row 2 (t = 0.5) from y = 1 - 2 * 0.5 / 0.5625 on.
    const int boundary = static_cast<int>(std::lround(rowOf(1 - 2 * 0.5 / 0.5625)));
    EXPECT_EQ(red(frame.at(testWidth - 1, testHeight - 1)), 0xc0);
    EXPECT_EQ(red(frame.at(10, boundary + 1)), 0xc0);
    EXPECT_EQ(red(frame.at(10, boundary - 2)), 0x80);
    EXPECT_EQ(red(frame.at(10, 0)), 0x40);
}

TEST(Picture, OtherFitsStretchTheWholePicture) {
    setUpScenes();
    intro.textures.numbered[7] = rowPicture();
    intro.pictureTexture = 7;
    intro.pictureFit = 0;
    const Frame frame = renderScene(PictureScene);
    expectSpan(findPixels(frame, lit), -1.0, 1.0, 1.0, -1.0);
    EXPECT_EQ(red(frame.at(testWidth - 1, testHeight - 1)), 0xff);
}

TEST(Picture, QuadGeometryOnAFullHdScreen) {
    EXPECT_DOUBLE_EQ(pictureQuad(2, 1920, 1080).right, 0.125);
    EXPECT_DOUBLE_EQ(pictureQuad(2, 1920, 1080).bottomT, 1.0);
    EXPECT_DOUBLE_EQ(pictureQuad(1, 1920, 1080).right, 1.0);
    EXPECT_DOUBLE_EQ(pictureQuad(1, 1920, 1080).bottomT, 0.5625);
    EXPECT_DOUBLE_EQ(pictureQuad(3, 1920, 1080).right, 1.0);
    EXPECT_DOUBLE_EQ(pictureQuad(3, 1920, 1080).bottomT, 1.0);
}

TEST(Greetings, ThePictureAloneAtTheStart) {
    setUpScenes();
    intro.sceneTime = 0;
    const Frame frame = renderScene(GreetingsScene);
    EXPECT_EQ(intro.pictureTexture, 3);
    EXPECT_EQ(intro.pictureFit, 2);
    EXPECT_TRUE(findPixels(frame, isRed).empty());
    expectSpan(findPixels(frame, isBlue), -1.0, 2.0 * testHeight / testWidth - 1, 1.0, -1.0);
}

TEST(Greetings, TheListRisesWithItsLeftEdgeAtPoint17) {
    setUpScenes();
    intro.sceneTime = 1.0; // line 0 centred at y = 0.5, line 2 at y = -0.1
    const Frame frame = renderScene(GreetingsScene);
    const Box line0 = findPixels(frame, isRed, 0, static_cast<int>(rowOf(0.35)) - 1);
    expectSpan(line0, 0.17, 0.17 + 13 * 0.06, 0.65, 0.35);
    // Line 1 is empty: nothing between y = 0.05 and 0.35.
    const int emptyTop = static_cast<int>(rowOf(0.35)) + 1;
    const int emptyBottom = static_cast<int>(rowOf(0.05)) - 1;
    EXPECT_TRUE(findPixels(frame, isRed, emptyTop, emptyBottom).empty());
    const Box line2 = findPixels(frame, isRed, emptyBottom + 2, static_cast<int>(rowOf(-0.25)) - 1);
    ASSERT_FALSE(line2.empty());
    EXPECT_NEAR(line2.left, columnOf(0.17), 1.0);
}

TEST(Greetings, TheListHasItsSections) {
    EXPECT_STREQ(greetingsLine(0), "GREATINGS TO:");
    EXPECT_STREQ(greetingsLine(1), "");
    for (int i = 0; i < 31; ++i)
        EXPECT_STREQ(greetingsLine(2 + i), greetingsNames[i]);
    EXPECT_STREQ(greetingsLine(33), "");
    EXPECT_STREQ(greetingsLine(34), "AND ALL OTHER");
    EXPECT_STREQ(greetingsLine(35), "ALCOHOLICS");
    EXPECT_EQ(greetingsLineCount, 36);
}

} // namespace
