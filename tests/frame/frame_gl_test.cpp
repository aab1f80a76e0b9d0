// The frame's GL side on the headless backend, in one process: loader bar
// geometry read back from the screen, blank frames, program building and the
// texture slots of the upload loop.
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "frame/progress.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int width = 250;
constexpr int height = 50;

using Rgb = std::array<int, 3>;
constexpr Rgb black = {0, 0, 0};
constexpr Rgb white = {255, 255, 255};
constexpr Rgb red = {255, 0, 0};

class FrameGl : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        headless.width = width;
        headless.height = height;
        platformCommandLine(0, nullptr);
        platformScreenSize(&intro.screenWidth, &intro.screenHeight);
        ASSERT_TRUE(platformCreateContext());
        loadGlEntryPoints();
    }

    // Pixel at column x, row y counted from the bottom, as GL reads it.
    static Rgb pixel(int x, int y) {
        static std::vector<uint8_t> screen(width * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());
        const uint8_t* p = &screen[(size_t(y) * width + x) * 4];
        return {p[0], p[1], p[2]};
    }

    static void tickTo(uint32_t tick) {
        intro.progressTicks = tick - 1;
        progressTick();
        ASSERT_EQ(intro.progressTicks, tick);
    }
};

// Columns: NDC x maps to (x + 1) / 2 * 250. Rows: 25 is the bar's middle,
// 31 lies in the white frame above the well, 45 outside the frame.
TEST_F(FrameGl, LoaderBarAfterTheFirstTick) {
    EXPECT_EQ(intro.screenWidth, width);
    EXPECT_EQ(intro.screenHeight, height);
    tickTo(1);
    EXPECT_EQ(pixel(5, 25), black) << "outside the frame";
    EXPECT_EQ(pixel(20, 25), white) << "frame left of the well";
    EXPECT_EQ(pixel(125, 31), white) << "frame above the well";
    EXPECT_EQ(pixel(125, 45), black) << "above the frame";
    EXPECT_EQ(pixel(25, 25), red) << "bar starts at the well's left edge";
    EXPECT_EQ(pixel(26, 25), red) << "edge at -0.7848 is pixel 26.9";
    EXPECT_EQ(pixel(27, 25), black);
    EXPECT_EQ(pixel(224, 25), black) << "rest of the well";
}

TEST_F(FrameGl, LoaderBarFillsTheWellAtTick105) {
    tickTo(105);
    EXPECT_EQ(pixel(125, 25), red);
    EXPECT_EQ(pixel(224, 25), red) << "last column of the well";
    EXPECT_EQ(pixel(225, 25), white) << "frame right of the well";
    EXPECT_EQ(pixel(125, 31), white);
}

TEST_F(FrameGl, LoaderBarOvershootsTheWellAtTick106) {
    tickTo(106);
    EXPECT_EQ(pixel(225, 25), red) << "edge at 0.8152 is pixel 226.9";
    EXPECT_EQ(pixel(226, 25), red);
    EXPECT_EQ(pixel(227, 25), white);
    EXPECT_EQ(pixel(226, 31), white) << "the bar keeps the well's height";
}

TEST_F(FrameGl, BlankFrameClearsToBlack) {
    tickTo(50);
    blankFrame();
    EXPECT_EQ(intro.progressTicks, 50u) << "a blank frame is no tick";
    EXPECT_EQ(pixel(125, 25), black);
    EXPECT_EQ(pixel(20, 25), black);
}

using GetObjectIv = void(APIENTRY*)(GLuint, GLenum, GLint*);

GLint linkStatus(GLuint program) {
    auto query = reinterpret_cast<GetObjectIv>(platformGetGlProc("glGetProgramiv"));
    GLint status = 0;
    query(program, GL_LINK_STATUS, &status);
    return status;
}

TEST_F(FrameGl, BuildsFourDistinctLinkedPrograms) {
    intro.progressTicks = 100;
    testing::internal::CaptureStderr();
    buildPrograms();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "every shader compiles and links";
    EXPECT_EQ(intro.progressTicks, 104u);
    const std::set<uint32_t> names = {intro.wavesProgram, intro.ballsProgram, intro.flightProgram,
                                      intro.canProgram};
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(names.count(0), 0u);
    EXPECT_EQ(intro.currentProgram, intro.wavesProgram);
    for (uint32_t program : names)
        EXPECT_EQ(linkStatus(program), GL_TRUE) << program;
}

TEST_F(FrameGl, ReportsABrokenShaderAndStillReturnsItsProgram) {
    testing::internal::CaptureStderr();
    const GLuint program = buildProgram(sharedVertexSource, "void main() { gl_FragColor = ; }");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(program, 0u);
    EXPECT_NE(log.find("fragment shader compilation failed"), std::string::npos) << log;
    EXPECT_NE(log.find("program linking failed"), std::string::npos) << log;
    EXPECT_GT(log.size(), 60u) << "the info log follows: " << log;
}

TEST_F(FrameGl, SharedVertexShaderPassesPixelPositions) {
    // Colours each fragment by texture coordinate 1 (pixels) over iResolution.
    const GLuint program = buildProgram(
        sharedVertexSource, "uniform vec2 iResolution;\n"
                            "void main() { gl_FragColor = vec4(gl_TexCoord[1].xy / iResolution, "
                            "gl_TexCoord[0].x, 1.0); }\n");
    callUseProgram(program);
    callUniform2f(callGetUniformLocation(program, "iResolution"), float(width), float(height));
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, 1);
    glEnd();
    callUseProgram(0);
    const Rgb lowLeft = pixel(0, 0), highRight = pixel(width - 1, height - 1);
    EXPECT_LE(lowLeft[0], 2);
    EXPECT_LE(lowLeft[1], 6);
    EXPECT_GE(highRight[0], 253);
    EXPECT_GE(highRight[1], 249);
    EXPECT_GE(highRight[2], 253) << "texture coordinate 0 is passed on";
    EXPECT_NEAR(pixel(125, 10)[0], 128, 2);
}

TEST(TextureIds, NinetyEightIdsWithSixPunctuationGlyphs) {
    int glyphs = 0, pictures = 0;
    std::set<int> punctuation;
    for (int32_t id = -200; id <= 100; ++id) {
        if (!isTextureId(id)) continue;
        if (id < 0) ++glyphs;
        if (id >= 0) ++pictures;
        if (id >= -47 && id < 0) punctuation.insert(-id);
    }
    EXPECT_EQ(glyphs, 81);
    EXPECT_EQ(pictures, 17);
    EXPECT_EQ(punctuation, (std::set<int>{32, 33, 39, 44, 45, 46}));
    EXPECT_TRUE(isTextureId(-122));
    EXPECT_TRUE(isTextureId(-48));
    EXPECT_FALSE(isTextureId(-123));
    EXPECT_FALSE(isTextureId(-47));
    EXPECT_FALSE(isTextureId(17));
}

TEST_F(FrameGl, TextureSlotsAreRecordedAndUploadedAsRgba) {
    const GLuint glyph = createTextureSlot(-65);
    EXPECT_NE(glyph, 0u);
    EXPECT_EQ(intro.textures.glyphs[65], glyph);
    static uint32_t image[1024 * 1024];
    for (uint32_t i = 0; i < 1024 * 1024; ++i)
        image[i] = 0x80000000u | (i * 2654435761u >> 8);
    uploadTexturePixels(image);
    static uint32_t back[1024 * 1024];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(0, std::memcmp(image, back, sizeof image)) << "bytes R, G, B, A, row 0 first";
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);

    const GLuint picture = createTextureSlot(16);
    EXPECT_EQ(intro.textures.numbered[16], picture);
    EXPECT_NE(picture, glyph);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), picture);
}

} // namespace
