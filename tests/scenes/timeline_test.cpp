// The timeline's schedule: which scene and parameters each step installs,
// when it fires, and the blank frame presented at each switch but one.
#include "frame/intro_state.h"
#include "frame/progress.h"
#include "frame/timeline.h"
#include "scenes/scenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {
int blankFrames = 0;
} // namespace

// Stands in for the frame's blank frame: counts presentations.
void blankFrame() {
    ++blankFrames;
}

namespace {

struct Expected {
    int k;
    const char* scene;
    const char* line1; // null: caption fields not checked
    const char* line2;
    int picture; // -1: not checked
    int fit;
};

const Expected schedule[27] = {
    {5, "CaptionScene", "wheny I was litle boy", "my parents taught me math.", -1, -1},
    {6, "PictureScene", nullptr, nullptr, 5, 1},
    {7, "CaptionScene", "So I started thinking about equations", "that will generate nice shapes.",
     -1, -1},
    {8, "PictureScene", nullptr, nullptr, 6, 1},
    {9, "CaptionScene", "It was fun. But I felt alone.", nullptr, -1, -1},
    {10, "PictureScene", nullptr, nullptr, 7, 1},
    {11, "PictureScene", nullptr, nullptr, 8, 1},
    {12, "CaptionScene", "Nobody understood me.", nullptr, -1, -1},
    {13, "PictureScene", nullptr, nullptr, 9, 1},
    {14, "PictureScene", nullptr, nullptr, 10, 1},
    {15, "CaptionScene", "When I joined a group of mathmaticans", "it was better.", -1, -1},
    {16, "PictureScene", nullptr, nullptr, 11, 1},
    {17, "CaptionScene", "But still I was alone.", nullptr, -1, -1},
    {18, "CaptionScene", "And then somebody told me that...", nullptr, -1, -1},
    {19, "PictureScene", nullptr, nullptr, 12, 1},
    {20, "CaptionScene", "Thats how I found Stonefair.", nullptr, -1, -1},
    {21, "PictureScene", nullptr, nullptr, 13, 1},
    {22, "PictureScene", nullptr, nullptr, 14, 1},
    {23, "PictureScene", nullptr, nullptr, 15, 1},
    {24, "FramedShaderScene", nullptr, nullptr, -1, -1},
    {28, "FramedShaderScene", nullptr, nullptr, -1, -1},
    {30, "ShaderScene", nullptr, nullptr, -1, -1},
    {32, "PictureScene", nullptr, nullptr, 2, 1},
    {34, "SphereScene", nullptr, nullptr, 2, 1},
    {36, "BallsScene", nullptr, nullptr, -1, -1},
    {38, "GreetingsScene", nullptr, nullptr, -1, -1},
    {40, "EndScene", nullptr, nullptr, -1, -1},
};

class Timeline : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset(&intro, 0, sizeof intro);
        intro.wavesProgram = 11;
        intro.ballsProgram = 12;
        intro.flightProgram = 13;
        intro.canProgram = 14;
        intro.currentProgram = intro.wavesProgram;
        intro.sceneRenderer = ScrollerScene;
        blankFrames = 0;
    }
    // One main-loop pass at the given clock: the scene advances its time.
    void frameAt(double musicTime) {
        intro.musicTime = musicTime;
        intro.sceneTime += 0.5;
        updateTimeline();
    }
};

TEST_F(Timeline, FiresOnlyOnceTheClockIsStrictlyPastTheStep) {
    frameAt(16.0);
    EXPECT_EQ(intro.timelineStep, 0);
    EXPECT_EQ(intro.sceneRenderer, ScrollerScene);
    EXPECT_EQ(blankFrames, 0);
    frameAt(16.000001);
    EXPECT_EQ(intro.timelineStep, 1);
    EXPECT_EQ(intro.sceneRenderer, CaptionScene);
    EXPECT_EQ(intro.sceneTime, 0.0);
    EXPECT_EQ(blankFrames, 1);
}

TEST_F(Timeline, StepTimesAreMultiplesOf3Point2InDouble) {
    frameAt(20.0);
    frameAt(20.0);
    ASSERT_EQ(intro.timelineStep, 2);
    frameAt(22.4); // 7 * 3.2 is 22.400000000000002
    EXPECT_EQ(intro.timelineStep, 2);
    frameAt(std::nextafter(7 * 3.2, 100.0));
    EXPECT_EQ(intro.timelineStep, 3);
}

TEST_F(Timeline, EveryStepInstallsItsSceneAndParameters) {
    for (int s = 0; s < 27; ++s) {
        const Expected& want = schedule[s];
        const double time = want.k * 3.2;
        frameAt(time);
        ASSERT_EQ(intro.timelineStep, s) << "fired early at step " << s;
        const int blanksBefore = blankFrames;
        frameAt(std::nextafter(time, 1000.0));
        ASSERT_EQ(intro.timelineStep, s + 1);
        EXPECT_STREQ(sceneRendererName(intro.sceneRenderer), want.scene) << "step " << s;
        EXPECT_EQ(intro.sceneTime, 0.0);
        if (want.line1 != nullptr) {
            EXPECT_STREQ(intro.captionLine1, want.line1) << "step " << s;
            if (want.line2 != nullptr)
                EXPECT_STREQ(intro.captionLine2, want.line2) << "step " << s;
            else
                EXPECT_EQ(intro.captionLine2, nullptr) << "step " << s;
        }
        if (want.picture >= 0) {
            EXPECT_EQ(intro.pictureTexture, want.picture) << "step " << s;
            EXPECT_EQ(intro.pictureFit, want.fit) << "step " << s;
        }
        const bool sphere = intro.sceneRenderer == SphereScene;
        EXPECT_EQ(blankFrames - blanksBefore, sphere ? 0 : 1) << "step " << s;
    }
    EXPECT_EQ(blankFrames, 26);
}

TEST_F(Timeline, ShaderStepsSelectTheirPrograms) {
    const struct {
        int step;
        uint32_t program;
    } expected[] = {{19, 14}, {20, 13}, {21, 11}};
    for (const auto& want : expected) {
        while (intro.timelineStep <= want.step)
            frameAt(schedule[want.step].k * 3.2 + 0.1);
        EXPECT_EQ(intro.currentProgram, want.program) << "step " << want.step;
        intro.currentProgram = 99; // as BallsScene would leave it
    }
}

TEST_F(Timeline, OverdueStepsFireOnConsecutiveFrames) {
    frameAt(20.0); // the clock jumped past 16.0 and 19.2
    EXPECT_EQ(intro.sceneRenderer, CaptionScene);
    frameAt(20.0);
    EXPECT_EQ(intro.sceneRenderer, PictureScene);
    EXPECT_EQ(intro.pictureTexture, 5);
    frameAt(20.0);
    EXPECT_EQ(intro.timelineStep, 2);
    EXPECT_EQ(intro.sceneTime, 0.5);
    EXPECT_EQ(blankFrames, 2);
}

TEST_F(Timeline, NothingChangesAfterTheLastStep) {
    for (int i = 0; i < 27; ++i)
        frameAt(1000.0);
    ASSERT_EQ(intro.timelineStep, 27);
    EXPECT_EQ(intro.sceneRenderer, EndScene);
    const int blanks = blankFrames;
    intro.pictureTexture = 3;
    frameAt(1000.0);
    frameAt(2000.0);
    EXPECT_EQ(intro.timelineStep, 27);
    EXPECT_EQ(intro.sceneRenderer, EndScene);
    EXPECT_EQ(intro.pictureTexture, 3);
    EXPECT_EQ(intro.sceneTime, 1.0);
    EXPECT_EQ(blankFrames, blanks);
}

TEST_F(Timeline, SceneNamesForTheLog) {
    EXPECT_STREQ(sceneRendererName(ScrollerScene), "ScrollerScene");
    EXPECT_STREQ(sceneRendererName(BallsScene), "BallsScene");
    EXPECT_STREQ(sceneRendererName(nullptr), "?");
}

} // namespace
