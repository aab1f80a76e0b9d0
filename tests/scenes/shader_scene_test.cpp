// The sphere and the shader scenes, checked on rendered pixels; the ray
// marchers are compared with CPU versions of what they compute.
#include "frame/gl_entries.h"
#include "scenes/scene_data.h"
#include "scenes/scenes.h"
#include "scenes/shaders.h"
#include "tests/scenes/scene_test_support.h"
#include "tests/scenes/shader_reference.h"

#include <cmath>

namespace {

bool isWhite(uint32_t p) {
    return red(p) > 200 && green(p) > 200 && blue(p) > 200;
}
bool isBall(uint32_t p) {
    return isRed(p) || isWhite(p);
}

struct Centroid {
    double x, y; // normalised device coordinates
};
Centroid centroidOf(const Frame& frame, const PixelTest& test) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            if (test(frame.at(x, y))) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
    EXPECT_GT(n, 0);
    return {2 * sx / n / frame.width - 1, 1 - 2 * sy / n / frame.height};
}

Frame sphereAt(double t) {
    intro.pictureTexture = 2;
    intro.pictureFit = 1;
    intro.sceneTime = t;
    return renderScene(SphereScene);
}

TEST(Sphere, PatchesAndCheckerColours) {
    EXPECT_TRUE(spherePatchIsRed(0, 0));
    EXPECT_FALSE(spherePatchIsRed(0, 1));
    EXPECT_TRUE(spherePatchIsRed(1, 1));
    const SpherePoint pole = spherePoint(7, 0);
    EXPECT_NEAR(pole.x, 0.0, 1e-12);
    EXPECT_NEAR(pole.z, 0.5, 1e-12);
    const SpherePoint seam = spherePoint(20, 4), start = spherePoint(0, 4);
    EXPECT_NEAR(seam.x, start.x, 1e-9);
    EXPECT_NEAR(seam.y, start.y, 1e-9);
}

TEST(Sphere, ARedAndWhiteBallOverThePicture) {
    setUpScenes();
    const Frame frame = sphereAt(0.0);
    const int redCount = findPixels(frame, isRed).count;
    const int whiteCount = findPixels(frame, isWhite).count;
    const int ball = redCount + whiteCount;
    EXPECT_GT(ball, 1000);
    EXPECT_GT(redCount, ball / 4);
    EXPECT_GT(whiteCount, ball / 4);
    // Everything else is the picture.
    const int total = testWidth * testHeight;
    EXPECT_GE(findPixels(frame, isBlue).count + ball, total - total / 200)
        << "only ball and picture pixels expected (edges aside)";
    GLboolean depth = GL_TRUE;
    glGetBooleanv(GL_DEPTH_TEST, &depth);
    EXPECT_FALSE(depth);
}

TEST(Sphere, SwingsAndBobs) {
    setUpScenes();
    // Down by 2 units at t = 0, up by 2 at t = pi/4, to the right at t = pi/2.
    const Centroid start = centroidOf(sphereAt(0.0), isBall);
    EXPECT_LT(start.y, -0.25);
    EXPECT_GT(start.y, -0.5);
    EXPECT_NEAR(start.x, 0.0, 0.1);
    EXPECT_GT(centroidOf(sphereAt(M_PI / 4), isBall).y, 0.45);
    EXPECT_GT(centroidOf(sphereAt(M_PI / 2), isBall).x, 0.6);
}

TEST(Sphere, SpinsAboutItsAxis) {
    setUpScenes();
    // At t = 2 pi the ball is back in place, turned by 180 * 2 pi degrees.
    const Frame a = sphereAt(0.0);
    const Frame b = sphereAt(2 * M_PI);
    const Box boxA = findPixels(a, isBall), boxB = findPixels(b, isBall);
    EXPECT_NEAR(boxA.left, boxB.left, 1);
    EXPECT_NEAR(boxA.right, boxB.right, 1);
    EXPECT_NEAR(boxA.top, boxB.top, 1);
    int changed = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        changed += isRed(a.pixels[i]) != isRed(b.pixels[i]);
    EXPECT_GT(changed, boxA.count / 5);
}

// Writes the uniforms as colours: red iTime / 10, green and blue the size / 1000.
const char uniformProbe[] = "uniform float iTime;\n"
                            "uniform vec2 iResolution;\n"
                            "void main()\n"
                            "{\n"
                            "    gl_FragColor = vec4(iTime / 10.0, iResolution / 1000.0, 1.0);\n"
                            "}\n";

TEST(ShaderScenes, UniformsAreSetOnTheCurrentProgram) {
    setUpScenes();
    intro.currentProgram = checkedProgram(uniformProbe);
    intro.sceneTime = 5.0;
    const Frame frame = renderScene(ShaderScene);
    for (uint32_t p : {frame.at(0, 0), frame.at(testWidth - 1, testHeight - 1)}) {
        EXPECT_NEAR(red(p), 128, 1);
        EXPECT_NEAR(green(p), std::lround(0.32 * 255), 1);
        EXPECT_NEAR(blue(p), std::lround(0.18 * 255), 1);
    }
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

// Texture coordinate 0 as colour: red s, green t.
const char texCoordProbe[] = "void main()\n"
                             "{\n"
                             "    gl_FragColor = vec4(gl_TexCoord[0].st, 0.0, 1.0);\n"
                             "}\n";

// Picture 16 stand-in: opaque blue, transparent where the window lies.
GLuint framePicture() {
    constexpr int size = 64;
    static uint32_t pixels[size * size];
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double s = (x + 0.5) / size, t = (y + 0.5) / size;
            const bool hole = s > 0.25 && s < 0.7 && t > 0.04 && t < 0.26;
            pixels[y * size + x] = hole ? transparent : opaqueBlue;
        }
    return makeTexture(pixels, size, size);
}

TEST(ShaderScenes, FramedWindowShowsTheProgramThroughTheHole) {
    setUpScenes();
    intro.textures.numbered[16] = framePicture();
    intro.currentProgram = checkedProgram(texCoordProbe);
    const Frame frame = renderScene(FramedShaderScene);
    EXPECT_EQ(intro.pictureTexture, 16);
    EXPECT_EQ(intro.pictureFit, 1);
    const int x = static_cast<int>(columnOf(-0.085));
    const uint32_t top = frame.at(x, static_cast<int>(rowOf(0.74)));
    const uint32_t middle = frame.at(x, static_cast<int>(rowOf(0.47)));
    const uint32_t bottom = frame.at(x, static_cast<int>(rowOf(0.21)));
    EXPECT_EQ(blue(middle), 0);
    EXPECT_NEAR(red(middle), 128, 12);
    EXPECT_NEAR(green(middle), 128, 20);
    EXPECT_GT(green(top), 215); // t grows upward: the image is upright
    EXPECT_LT(green(bottom), 40);
    EXPECT_TRUE(isBlue(frame.at(static_cast<int>(columnOf(0.8)), static_cast<int>(rowOf(-0.8)))));
    EXPECT_TRUE(isBlue(frame.at(static_cast<int>(columnOf(-0.6)), static_cast<int>(rowOf(0.5)))));
}

class Balls : public ::testing::Test {
  protected:
    void SetUp() override {
        setUpScenes();
        intro.textures.numbered[4] = solidTexture(opaqueWhite);
        intro.ballsProgram = checkedProgram(ballsFragmentSource);
        intro.currentProgram = 0;
    }
    Frame at(double t) {
        intro.sceneTime = t;
        return renderScene(BallsScene);
    }
};

int insideColumns() {
    return static_cast<int>(columnOf(-0.5625));
}

TEST_F(Balls, BlackUntilHalfASecond) {
    const Frame frame = at(0.45);
    EXPECT_TRUE(findPixels(frame, [](uint32_t p) { return !isBlack(p); }).empty());
    EXPECT_EQ(intro.currentProgram, intro.ballsProgram);
}

TEST_F(Balls, OverlayIsBlackBeforeTwoSecondsAndFaintAfter) {
    const auto lit = [](uint32_t p) { return !isBlack(p); };
    const Frame early = at(1.5);
    const int left = insideColumns(), right = testWidth - 1 - insideColumns();
    const Box litBox = findPixels(early, lit);
    ASSERT_FALSE(litBox.empty()) << "balls are visible beside the overlay";
    for (int y = 0; y < testHeight; ++y)
        for (int x = left + 1; x < right; ++x)
            ASSERT_TRUE(isBlack(early.at(x, y))) << x << "," << y;

    const Frame late = at(3.5);
    for (int y = 0; y < testHeight; y += 7)
        for (int x = left + 1; x < right; x += 7)
            ASSERT_NEAR(red(late.at(x, y)), 5, 1) << x << "," << y; // 0.02 of white
}

TEST_F(Balls, BallsRiseFromTheBottom) {
    // Early in a cycle the light sits in the lower part of the screen.
    const Frame frame = at(3.0);
    double lower = 0, upper = 0;
    for (int y = 0; y < testHeight; ++y)
        for (int x = 0; x < insideColumns(); ++x)
            (y < testHeight / 2 ? upper : lower) += red(frame.at(x, y));
    EXPECT_GT(lower + upper, 0.0);
}

// Fraction of sampled pixels whose colour is within `tolerance` of the CPU version.
template <typename Reference>
double agreement(const Frame& frame, int step, int tolerance, Reference reference) {
    int good = 0, total = 0;
    for (int y = step / 2; y < frame.height; y += step)
        for (int x = step / 2; x < frame.width; x += step) {
            const Rgb want = reference(x, y);
            const uint32_t p = frame.at(x, y);
            const auto level = [](double v) { return std::lround(std::clamp(v, 0.0, 1.0) * 255); };
            good += std::abs(red(p) - level(want.r)) <= tolerance &&
                    std::abs(green(p) - level(want.g)) <= tolerance &&
                    std::abs(blue(p) - level(want.b)) <= tolerance;
            ++total;
        }
    return static_cast<double>(good) / total;
}

TEST(Waves, PillarsMatchTheirDescription) {
    setUpScenes();
    intro.currentProgram = checkedProgram(wavesFragmentSource);
    for (double t : {0.0, 2.5}) {
        intro.sceneTime = t;
        const Frame frame = renderScene(ShaderScene);
        const double match = agreement(frame, 2, 4, [t](int x, int y) {
            const double r =
                wavesReference(x + 0.5, testHeight - y - 0.5, testWidth, testHeight, t);
            return Rgb{r, r, r};
        });
        EXPECT_GT(match, 0.98) << "t = " << t;
        // The sky above the pillars is black; the pillars stand below the horizon.
        EXPECT_TRUE(isBlack(frame.at(testWidth / 2, 0)));
        EXPECT_FALSE(findPixels(frame, [](uint32_t p) { return red(p) > 100; }).empty());
    }
}

TEST(Flight, TheTubeRideMatchesItsDescription) {
    setUpScenes();
    intro.currentProgram = checkedProgram(flightFragmentSource);
    for (double t : {1.0, 22.0}) { // 22 s: the spikes are up
        intro.sceneTime = t;
        const Frame frame = renderScene(ShaderScene);
        const double match = agreement(frame, 5, 4, [t](int x, int y) {
            return flightReference((x + 0.5) / testWidth, (y + 0.5) / testHeight, testWidth,
                                   testHeight, t);
        });
        EXPECT_GT(match, 0.97) << "t = " << t;
    }
}

// Picture 1 stand-in for the can's floor: a 2 x 2 checker, repeating.
Rgb floorChecker(double s, double t) {
    const bool dark =
        (static_cast<int>(std::floor(s * 2)) + static_cast<int>(std::floor(t * 2))) % 2;
    return dark ? Rgb{0.0, 0.0, 1.0} : Rgb{1.0, 1.0, 1.0};
}

TEST(Can, TheCanSceneMatchesItsDescription) {
    setUpScenes();
    const uint32_t checker[4] = {opaqueWhite, opaqueBlue, opaqueBlue, opaqueWhite};
    intro.textures.numbered[1] = makeTexture(checker, 2, 2);
    intro.currentProgram = checkedProgram(canFragmentSource);
    for (double t : {0.7, 4.0, 8.0}) { // one time in each camera shot
        intro.sceneTime = t;
        const Frame frame = renderScene(ShaderScene);
        const double match = agreement(frame, 5, 4, [t](int x, int y) {
            return canReference((x + 0.5) / testWidth, (y + 0.5) / testHeight, testWidth,
                                testHeight, t, floorChecker);
        });
        EXPECT_GT(match, 0.97) << "t = " << t;
    }
}

TEST(Can, NoCanOnTheFirstFrame) {
    setUpScenes();
    intro.textures.numbered[1] = solidTexture(opaqueWhite);
    intro.currentProgram = checkedProgram(canFragmentSource);
    // The orbit looks at the can from (0, -4, 1.5): its red body fills the
    // middle third of the screen, where otherwise only poles and lights glow.
    const auto canRed = [](uint32_t p) {
        return red(p) > 100 && green(p) < 0.6 * red(p) && blue(p) < 0.6 * red(p);
    };
    const auto middleCount = [&](const Frame& frame) {
        int n = 0;
        for (int y = 0; y < frame.height; ++y)
            for (int x = frame.width / 3; x < 2 * frame.width / 3; ++x)
                n += canRed(frame.at(x, y));
        return n;
    };
    intro.sceneTime = 0.1;
    const int withCan = middleCount(renderScene(ShaderScene));
    intro.sceneTime = 0.0;
    const Frame first = renderScene(ShaderScene);
    EXPECT_GT(withCan, testWidth * testHeight / 20);
    EXPECT_LT(middleCount(first), withCan / 10);
    EXPECT_FALSE(findPixels(first, [](uint32_t p) { return !isBlack(p); }).empty());
}

} // namespace
