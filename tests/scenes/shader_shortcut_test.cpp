// The waves, balls and can programs skip work that cannot change a pixel.
// Each is drawn beside its straightforward form at moments spread over its
// scene, and the two pictures must agree.
#include "frame/gl_entries.h"
#include "scenes/scenes.h"
#include "scenes/shaders.h"
#include "tests/scenes/plain_shaders.h"
#include "tests/scenes/scene_test_support.h"

#include <cstdlib>

namespace {

struct Difference {
    int pixels = 0;  // pixels that differ at all
    int largest = 0; // largest difference of one channel
};

Difference compare(const Frame& a, const Frame& b) {
    Difference d;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const uint32_t p = a.pixels[i], q = b.pixels[i];
        const int most = std::max({std::abs(red(p) - red(q)), std::abs(green(p) - green(q)),
                                   std::abs(blue(p) - blue(q))});
        d.pixels += most > 0;
        d.largest = std::max(d.largest, most);
    }
    return d;
}

Frame draw(GLuint name, double time) {
    intro.currentProgram = name;
    intro.sceneTime = time;
    return renderScene(ShaderScene);
}

int litPixels(const Frame& frame) {
    return findPixels(frame, [](uint32_t p) { return !isBlack(p); }).count;
}

// Both programs over the whole test screen at every time: the same picture.
void expectSamePictures(const char* fast, const char* plain, std::initializer_list<double> times) {
    const GLuint fastProgram = checkedProgram(fast), plainProgram = checkedProgram(plain);
    int lit = 0;
    for (double t : times) {
        const Frame expected = draw(plainProgram, t);
        const Frame got = draw(fastProgram, t);
        const Difference d = compare(got, expected);
        EXPECT_EQ(d.pixels, 0) << "t = " << t << ", largest difference " << d.largest;
        lit += litPixels(expected);
    }
    EXPECT_GT(lit, testWidth * testHeight) << "the moments chosen show something";
}

// Picture 1 stand-in for the can's floor: a 2 x 2 checker.
void checkerFloor() {
    const uint32_t checker[4] = {opaqueWhite, opaqueBlue, opaqueBlue, opaqueWhite};
    intro.textures.numbered[1] = makeTexture(checker, 2, 2);
}

TEST(ShaderShortcuts, WavesDrawTheSamePillars) {
    setUpScenes();
    expectSamePictures(wavesFragmentSource, plainWavesSource, {0.0, 0.8, 1.9, 3.3, 4.7, 6.3});
}

TEST(ShaderShortcuts, BallsRiseAsBefore) {
    setUpScenes();
    expectSamePictures(ballsFragmentSource, plainBallsSource, {0.3, 1.1, 2.6, 3.9, 4.4, 5.2, 6.3});
}

TEST(ShaderShortcuts, TheCanSceneIsUnchangedInEveryShot) {
    setUpScenes();
    checkerFloor();
    expectSamePictures(canFragmentSource, plainCanSource,
                       {0.0, 0.7, 2.0, 4.0, 5.5, 7.1, 8.9, 10.3, 12.5});
}

} // namespace
