#include "tests/scenes/scene_test_support.h"

#include "scenes/scenes.h"

#include <cstring>

void setUpScenes(uint32_t glyphColour) {
    static bool started = false;
    if (!started) {
        ASSERT_TRUE(startGl(testWidth, testHeight)) << "no offscreen GL context";
    }
    started = true;
    const GLuint glyph = solidTexture(glyphColour);
    const GLuint space = solidTexture(transparent);
    std::memset(&intro.textures, 0, sizeof intro.textures);
    for (int code = 33; code <= 122; ++code)
        intro.textures.glyphs[code] = glyph;
    intro.textures.glyphs[32] = space;
    const GLuint picture = solidTexture(opaqueBlue);
    for (uint32_t& name : intro.textures.numbered)
        name = picture;
    intro.pictureTexture = 0;
    intro.pictureFit = 0;
    intro.sceneTime = 0;
    intro.captionLine1 = "";
    intro.captionLine2 = nullptr;
}

Box findPixels(const Frame& frame, const PixelTest& test, int fromRow, int toRow) {
    Box box;
    if (toRow < 0) toRow = frame.height - 1;
    for (int y = fromRow; y <= toRow; ++y)
        for (int x = 0; x < frame.width; ++x) {
            if (!test(frame.at(x, y))) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
            ++box.count;
        }
    return box;
}

bool isRed(uint32_t p) {
    return red(p) > 200 && green(p) < 60 && blue(p) < 60;
}
bool isBlue(uint32_t p) {
    return blue(p) > 200 && red(p) < 60 && green(p) < 60;
}
bool isBlack(uint32_t p) {
    return (p & 0xffffff) == 0;
}

GLuint checkedProgram(const char* fragmentSource) {
    std::string log;
    const GLuint name = buildCheckedProgram(fragmentSource, &log);
    EXPECT_NE(name, 0u) << log;
    return name;
}

Frame renderScene(void (*renderer)()) {
    resetFrame();
    renderer();
    return readFrame();
}

double columnOf(double x) {
    return (x + 1) / 2 * testWidth;
}
double rowOf(double y) {
    return (1 - y) / 2 * testHeight;
}
