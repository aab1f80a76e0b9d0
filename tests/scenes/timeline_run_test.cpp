// A whole headless run at 5 frames a second, read back from its frame log:
// which scene is on screen at which music time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct LoggedFrame {
    long number;
    double musicTime;
    double sceneTime;
    std::string scene;
    int presents = 1; // 2 when a blank frame was presented before the scene
};

struct Step {
    int k;
    const char* scene;
};
const Step steps[27] = {
    {5, "CaptionScene"},  {6, "PictureScene"},       {7, "CaptionScene"},
    {8, "PictureScene"},  {9, "CaptionScene"},       {10, "PictureScene"},
    {11, "PictureScene"}, {12, "CaptionScene"},      {13, "PictureScene"},
    {14, "PictureScene"}, {15, "CaptionScene"},      {16, "PictureScene"},
    {17, "CaptionScene"}, {18, "CaptionScene"},      {19, "PictureScene"},
    {20, "CaptionScene"}, {21, "PictureScene"},      {22, "PictureScene"},
    {23, "PictureScene"}, {24, "FramedShaderScene"}, {28, "FramedShaderScene"},
    {30, "ShaderScene"},  {32, "PictureScene"},      {34, "SphereScene"},
    {36, "BallsScene"},   {38, "GreetingsScene"},    {40, "EndScene"},
};

std::vector<LoggedFrame> runLogged() {
    const std::string log = ::testing::TempDir() + "timeline_run.log";
    const std::string command =
        std::string(INTRO_HEADLESS) + " --size 48x27 --fps 5 --log " + log + " > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<LoggedFrame> frames;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word, musicWord, sceneWord, sceneNameWord;
        LoggedFrame frame;
        if (!(fields >> word >> frame.number) || word != "frame") continue;
        fields >> musicWord >> frame.musicTime >> sceneWord >> frame.sceneTime >> sceneNameWord >>
            frame.scene;
        std::string presentsWord;
        if (fields >> presentsWord && presentsWord == "presents") fields >> frame.presents;
        frames.push_back(frame);
    }
    std::remove(log.c_str());
    return frames;
}

TEST(TimelineRun, ScenesFollowTheScheduleFromScrollerToTheEnd) {
    const std::vector<LoggedFrame> frames = runLogged();
    ASSERT_GT(frames.size(), 600u);
    EXPECT_EQ(frames[0].scene, "ScrollerScene");
    EXPECT_EQ(frames[0].musicTime, 0.0);
    EXPECT_EQ(frames[0].sceneTime, 0.0);

    size_t step = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
        const LoggedFrame& frame = frames[i];
        const bool sphere = frame.scene == "SphereScene";
        const bool switched = frame.sceneTime == 0.0;
        EXPECT_EQ(frame.presents, switched && !sphere ? 2 : 1) << "frame " << frame.number;
        if (!switched) {
            EXPECT_EQ(frame.scene, frames[i - 1].scene)
                << "scene changed without a step at frame " << frame.number;
            continue;
        }
        ASSERT_LT(step, 27u) << "extra step at frame " << frame.number;
        const double due = steps[step].k * 3.2;
        EXPECT_EQ(frame.scene, steps[step].scene) << "step " << step;
        // The log rounds to microseconds; the clock is float32 seconds.
        EXPECT_GT(frame.musicTime + 1e-6, due) << "step " << step;
        EXPECT_LE(frames[i - 1].musicTime, due + 1e-6) << "step " << step << " fired late";
        ++step;
    }
    EXPECT_EQ(step, 27u);
    const LoggedFrame& last = frames.back();
    EXPECT_EQ(last.scene, "EndScene");
    EXPECT_NEAR(last.musicTime, 134.4, 0.2 + 1e-4);
    EXPECT_NEAR(last.sceneTime, last.musicTime - 128.2, 1e-3);
}

} // namespace
