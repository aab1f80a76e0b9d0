// The viewer on the headless program: --start against a continuous run, the
// keys (pause, seeks back and forward, the overlay), --loop and --scale, and
// the option errors of both programs. Each run starts the whole program, so
// runs are shared by the checks that can use them.
#include "tests/frame/program_run.h"
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

// A sanitizer build takes about a minute a run to start; there the checks
// that need many runs are left to the normal build, and the cheaper ones
// still take every viewer path (the loop run shows the overlay, scaled).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool manyRunsTooSlow = true;
#else
constexpr bool manyRunsTooSlow = false;
#endif

ProgramRun runHeadless(const std::string& name, const std::string& arguments) {
    return runProgram(VIEWER_TEST_WORK_DIR, name, INTRO_HEADLESS, arguments, true);
}

std::vector<uint8_t> pngAt(const fs::path& path) {
    uint32_t width = 0, height = 0;
    return readPng(path, &width, &height);
}

std::string frameName(long long number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06lld.png", number);
    return name;
}

// Frames of a log by music time in tenths of a second (the runs here are at 10 a second).
std::map<long, FrameLine> byTenth(const std::vector<FrameLine>& frames) {
    std::map<long, FrameLine> result;
    for (const FrameLine& frame : frames)
        result.emplace(std::lround(frame.musicTime * 10), frame);
    return result;
}

// Times inside every kind of step; 16.1 is the first frame past step 0's
// time, so that step fires in the very frame a run started there draws.
const double startTimes[] = {16.1, 39.0, 78.0, 92.3, 99.0, 105.0, 110.0, 118.0, 125.0, 131.0};

TEST(ViewerRun, StartsAndSeeksLandWhereTheContinuousRunIs) {
    if (manyRunsTooSlow) GTEST_SKIP() << "twelve whole runs: the normal build checks them";
    std::string at;
    for (double time : startTimes) {
        if (!at.empty()) at += ',';
        at += std::to_string(time);
    }
    const ProgramRun whole =
        runHeadless("continuous", "--size 64x36 --fps 10 --png @DIR@/png --at " + at);
    ASSERT_EQ(whole.exitCode, 0) << whole.errors;
    const auto continuous = byTenth(frameLines(whole.log));
    ASSERT_EQ(continuous.size(), 1345u);

    for (double time : startTimes) {
        const long tenth = std::lround(time * 10);
        char range[64];
        std::snprintf(range, sizeof range, "--start %.1f --stop %.2f", time, time + 0.05);
        const ProgramRun run = runHeadless(
            "start", std::string("--size 64x36 --fps 10 --png @DIR@/png --every 1 ") + range);
        ASSERT_EQ(run.exitCode, 0) << time << ": " << run.errors;
        const auto frames = frameLines(run.log);
        ASSERT_EQ(frames.size(), 1u) << time;
        const FrameLine& expected = continuous.at(tenth);
        EXPECT_EQ(frames[0].state, expected.state) << "field by field at " << time;
        const auto picture = pngAt(run.dir / "png" / frameName(0));
        ASSERT_FALSE(picture.empty()) << time;
        EXPECT_TRUE(picture == pngAt(whole.dir / "png" / frameName(expected.number)))
            << "the rendered frame at " << time;
    }
    EXPECT_NE(continuous.at(161).presents, 1) << "step 0 fires with its blank frame at 16.1";

    // From a caption with two lines back over two pictures into the caption
    // with none, then forward again: each landing is the continuous run's frame.
    const ProgramRun seeks =
        runHeadless("seeks", "--size 64x36 --fps 10 --start 49 --keys 5:left,6:left,7:left,8:right "
                             "--escape-frame 9");
    ASSERT_EQ(seeks.exitCode, 0) << seeks.errors;
    const auto landed = frameLines(seeks.log);
    ASSERT_EQ(landed.size(), 10u);
    // Each seek starts from the clock the frame before moved on to.
    const double landings[] = {46.3, 43.2, 40.1, 43.4};
    for (int i = 0; i < 4; ++i) {
        const FrameLine& frame = landed[size_t(5 + i)];
        ASSERT_NEAR(frame.musicTime, landings[i], 1e-4) << "landing " << i;
        EXPECT_EQ(frame.state, continuous.at(std::lround(landings[i] * 10)).state)
            << "landing " << i;
    }
    EXPECT_NE(landed[7].state.find("caption1 \"Nobody understood me.\" caption2 null"),
              std::string::npos)
        << "the second line of the later caption is gone: " << landed[7].state;
    EXPECT_NE(landed[4].state.find("caption2 \"it was better.\""), std::string::npos)
        << landed[4].state;
    EXPECT_EQ(landed[9].state, continuous.at(435).state) << "plays on after the landing";
}

// Space holds both clocks: the frames drawn while paused show one moment, and
// playing resumes from it.
TEST(ViewerRun, PauseFreezesMusicTimeAndSceneTime) {
    const ProgramRun run = runHeadless(
        "pause", "--size 32x18 --fps 10 --start 20 --keys 3:space,8:space --escape-frame 10");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto frames = frameLines(run.log);
    ASSERT_EQ(frames.size(), 11u);
    for (size_t i = 4; i <= 8; ++i) {
        EXPECT_EQ(frames[i].musicTime, frames[3].musicTime) << i;
        EXPECT_EQ(frames[i].sceneTime, frames[3].sceneTime) << i;
    }
    EXPECT_NEAR(frames[3].musicTime, 20.3, 1e-4);
    EXPECT_NEAR(frames[9].musicTime, 20.4, 1e-4) << "resumed where it stopped";
    EXPECT_NEAR(frames[9].sceneTime - frames[8].sceneTime, 0.1, 1e-5);
    EXPECT_NEAR(frames[10].musicTime, 20.5, 1e-4);
}

// A seek forward stops at the end of the show; with --loop the show then
// starts again from its first frame. The overlay and the scaled frames change
// nothing of that.
TEST(ViewerRun, ForwardSeekStopsAtTheEndAndLoopStartsAgain) {
    const ProgramRun run =
        runHeadless("loop", "--size 64x36 --fps 10 --start 133 --scale 0.5 --keys 0:i,1:right "
                            "--loop --escape-frame 3");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto frames = frameLines(run.log);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_NEAR(frames[1].musicTime, 134.4, 1e-4);
    EXPECT_EQ(frames[1].scene, "EndScene");
    EXPECT_EQ(frames[2].musicTime, 0.0);
    EXPECT_EQ(frames[2].sceneTime, 0.0);
    EXPECT_EQ(frames[2].scene, "ScrollerScene");
    EXPECT_NE(frames[2].state.find("step 0 picture 0 fit 0 program waves caption1 \"\""),
              std::string::npos)
        << frames[2].state;
    EXPECT_NEAR(frames[3].musicTime, 0.1, 1e-6);
}

int differingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width,
                    int* right, int* bottom) {
    int count = 0;
    *right = *bottom = -1;
    for (size_t i = 0; i < a.size(); i += 4) {
        if (a[i] == b[i] && a[i + 1] == b[i + 1] && a[i + 2] == b[i + 2]) continue;
        ++count;
        *right = std::max(*right, int(i / 4) % width);
        *bottom = std::max(*bottom, int(i / 4) / width);
    }
    return count;
}

// I shows the overlay at the top left over a still picture and changes
// nothing else; --scale 0.5 draws a quarter of the pixels and stretches them.
TEST(ViewerRun, OverlayAndScaledFrames) {
    if (manyRunsTooSlow) GTEST_SKIP() << "three runs: the normal build checks them";
    const ProgramRun overlay = runHeadless(
        "overlay", "--size 320x180 --fps 10 --start 52 --stop 52.15 --keys 1:i --png @DIR@/png");
    ASSERT_EQ(overlay.exitCode, 0) << overlay.errors;
    const auto plain = pngAt(overlay.dir / "png" / frameName(0));
    const auto shown = pngAt(overlay.dir / "png" / frameName(1));
    ASSERT_EQ(plain.size(), 320u * 180 * 4);
    ASSERT_EQ(shown.size(), plain.size());
    int right = 0, bottom = 0;
    const int changed = differingPixels(plain, shown, 320, &right, &bottom);
    EXPECT_GT(changed, 500) << "a panel with text";
    EXPECT_LT(right, 320 - 8) << "the panel stays at the left";
    EXPECT_LT(bottom, 180 / 4) << "and at the top";

    const ProgramRun small =
        runHeadless("small", "--size 160x90 --fps 10 --start 52 --stop 52.05 --png @DIR@/png");
    const ProgramRun scaled = runHeadless(
        "scaled", "--size 320x180 --fps 10 --start 52 --stop 52.05 --scale 0.5 --png @DIR@/png");
    ASSERT_EQ(small.exitCode, 0) << small.errors;
    ASSERT_EQ(scaled.exitCode, 0) << scaled.errors;
    const auto low = pngAt(small.dir / "png" / frameName(0));
    const auto stretched = pngAt(scaled.dir / "png" / frameName(0));
    ASSERT_EQ(low.size(), 160u * 90 * 4);
    ASSERT_EQ(stretched.size(), plain.size());
    // Each 2 x 2 block of the stretched frame averages to the small frame's pixel.
    double difference = 0, sharpness = 0;
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 160; ++x) {
            for (int c = 0; c < 3; ++c) {
                auto at = [&](const std::vector<uint8_t>& image, int px, int py) {
                    return double(image[(size_t(py) * 320 + size_t(px)) * 4 + size_t(c)]);
                };
                const double block =
                    (at(stretched, 2 * x, 2 * y) + at(stretched, 2 * x + 1, 2 * y) +
                     at(stretched, 2 * x, 2 * y + 1) + at(stretched, 2 * x + 1, 2 * y + 1)) /
                    4;
                difference += std::fabs(block - low[(size_t(y) * 160 + size_t(x)) * 4 + size_t(c)]);
                sharpness += std::fabs(at(plain, 2 * x, 2 * y) - block);
            }
        }
    }
    const double samples = 160.0 * 90 * 3;
    EXPECT_LT(difference / samples, 6.0) << "the small frame, stretched";
    EXPECT_GT(sharpness, difference) << "and not the full-size frame";
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// Bad options end with one line and exit code 2 before anything is drawn;
// --help lists the options and ends with 0.
TEST(ViewerRun, OptionErrorsAndHelp) {
    const char* const bad[] = {"--start 134.4", "--start -1",     "--start 12s",
                               "--fps 0",       "--fps 30/0",     "--fps 1001",
                               "--scale 0",     "--scale 1.5",    "--start 20 --stop 10",
                               "--keys 5:x",    "--keys 9:i,5:i", "--size 0x10",
                               "--start",       "--frobnicate"};
    for (const char* arguments : bad) {
        const ProgramRun run = runHeadless("bad", arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_EQ(lines(run.errors).size(), 1u) << arguments << ": " << run.errors;
        EXPECT_EQ(run.log, "") << arguments << ": nothing drawn";
    }
    const ProgramRun help = runHeadless("help", "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--start SECONDS"), std::string::npos) << help.output;
    EXPECT_EQ(help.errors, "");

#ifdef INTRO_PLAYER
    const ProgramRun playerHelp =
        runProgram(VIEWER_TEST_WORK_DIR, "playerhelp", INTRO_PLAYER, "--help", false);
    EXPECT_EQ(playerHelp.exitCode, 0);
    for (const char* option : {"--window", "--fullscreen", "--start", "--scale", "--loop"})
        EXPECT_NE(playerHelp.output.find(option), std::string::npos) << option;
    EXPECT_NE(playerHelp.output.find("Space"), std::string::npos) << "the keys";
    for (const char* arguments : {"--window 12x", "--start 200", "--scale", "--frobnicate"}) {
        const ProgramRun run =
            runProgram(VIEWER_TEST_WORK_DIR, "playerbad", INTRO_PLAYER, arguments, false);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_EQ(lines(run.errors).size(), 1u) << arguments << ": " << run.errors;
        EXPECT_EQ(firstLine(run.errors).rfind("intro: ", 0), 0u) << run.errors;
    }
#endif
}

} // namespace
