// The viewer's arithmetic and option reading, and the recording's progress line.
#include "frame/frame_rate.h"
#include "record/progress_line.h"
#include "viewer/options.h"
#include "viewer/screen.h"
#include "viewer/viewer.h"
#include <gtest/gtest.h>

namespace {

TEST(FrameRates, WholeAndFractionalRatesAreRead) {
    FrameRate rate;
    ASSERT_TRUE(parseFrameRate("30", &rate));
    EXPECT_EQ(rate.num, 30u);
    EXPECT_EQ(rate.den, 1u);
    ASSERT_TRUE(parseFrameRate("60000/1001", &rate));
    EXPECT_EQ(rate.num, 60000u);
    EXPECT_EQ(rate.den, 1001u);
    ASSERT_TRUE(parseFrameRate("1000", &rate));
    for (const char* bad : {"0", "30/0", "1001", "1/2", "abc", "30/", "/5", "-30", "30.5", ""})
        EXPECT_FALSE(parseFrameRate(bad, &rate)) << bad;
}

TEST(FrameRates, GridPositionsAreWholeAudioFramesRoundedDown) {
    EXPECT_EQ(gridSamples(1, {30, 1}), 1470);
    EXPECT_EQ(gridSamples(1, {60000, 1001}), 735) << "735.735 audio frames";
    EXPECT_EQ(gridSamples(3, {60000, 1001}), 2207) << "2207.2";
    EXPECT_EQ(gridSamples(60000, {60000, 1001}), 1001 * 44100) << "exact after 1001 s";
    EXPECT_EQ(gridFramesBefore(44100, {30, 1}), 30);
    EXPECT_EQ(gridFramesBefore(44100, {30000, 1001}), 30) << "29.97 frames start in a second";
    EXPECT_EQ(gridFramesBefore(441000, {60000, 1001}), 600) << "10 s from 96 s at 59.94";
    EXPECT_EQ(gridFramesBefore(1470, {30, 1}), 1) << "the frame at the end is not before it";
    EXPECT_EQ(gridFramesBefore(1471, {30, 1}), 2);
    EXPECT_EQ(gridFramesBefore(0, {30, 1}), 0);
}

TEST(ViewerArithmetic, MusicBytesAreWholeAudioFramesOfTheBuffer) {
    EXPECT_EQ(musicByte(76.8), 3386880u * 4);
    EXPECT_EQ(musicByte(134.4), showEndByte) << "1344 ticks";
    EXPECT_EQ(showEndByte, 1344u * 17640u);
    EXPECT_EQ(musicByte(-5), 0u);
    EXPECT_EQ(musicByte(1e9), 135u * 44100 * 4) << "clamped inside the buffer";
    EXPECT_EQ(musicByte(1.0 / 44100 * 0.4), 0u) << "to the nearest audio frame";
}

TEST(ViewerArithmetic, ScaledSizesRoundAndStayAtLeastOnePixel) {
    int32_t w = 0, h = 0;
    scaledSize(1280, 720, 0.5, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 360);
    scaledSize(101, 51, 0.5, &w, &h);
    EXPECT_EQ(w, 51);
    EXPECT_EQ(h, 26);
    scaledSize(1, 1, 0.1, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    scaledSize(1920, 1080, 1.0, &w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
}

TEST(ViewerOptions, SizesAndNumbers) {
    int32_t w = 0, h = 0;
    ASSERT_TRUE(parseSize("1280x720", &w, &h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    for (const char* bad : {"12x", "x12", "0x5", "5x0", "1x99999", "12*7", "12x7x3", ""})
        EXPECT_FALSE(parseSize(bad, &w, &h)) << bad;
    double value = 0;
    EXPECT_TRUE(parseNumber("76.8", 0, 100, &value));
    EXPECT_EQ(value, 76.8);
    for (const char* bad : {"-1", "101", "nan", "inf", "1e", "", "7 "})
        EXPECT_FALSE(parseNumber(bad, 0, 100, &value)) << bad;
}

CommandLine lineOf(std::vector<const char*>& words) {
    words.insert(words.begin(), "test");
    return CommandLine{"test", int(words.size()), const_cast<char**>(words.data()), 1};
}

TEST(ViewerOptions, SharedOptionsSetTheSettings) {
    std::vector<const char*> words = {"--start", "76.8", "--scale", "0.25", "--loop", "--other"};
    CommandLine line = lineOf(words);
    ASSERT_TRUE(viewerOption(line));
    EXPECT_EQ(viewer.start, 76.8);
    EXPECT_EQ(line.at, 2) << "past the value";
    ++line.at;
    ASSERT_TRUE(viewerOption(line));
    EXPECT_EQ(viewer.scale, 0.25);
    ++line.at;
    ASSERT_TRUE(viewerOption(line));
    EXPECT_TRUE(viewer.loop);
    ++line.at;
    EXPECT_FALSE(viewerOption(line)) << "not a viewer option";
}

TEST(ViewerOptions, ABadValueEndsWithOneLineAndCode2) {
    for (const char* bad : {"134.4", "200", "-0.5", "x"}) {
        std::vector<const char*> words = {"--start", bad};
        CommandLine line = lineOf(words);
        EXPECT_EXIT(viewerOption(line), testing::ExitedWithCode(2),
                    "^test: --start wants seconds from 0 to before the end at 134.4 "
                    "\\(--help lists the options\\)\n$")
            << bad;
    }
    std::vector<const char*> words = {"--scale"};
    CommandLine line = lineOf(words);
    EXPECT_EXIT(viewerOption(line), testing::ExitedWithCode(2), "--scale needs a value");
}

TEST(ProgressLine, FramesRateAndTimeLeft) {
    EXPECT_EQ(progressText(120, 300, 5.0, false), "120/300 frames (40%), 24.0 frames/s, 0:08 left");
    EXPECT_EQ(progressText(300, 4032, 100.0, false),
              "300/4032 frames (7%), 3.0 frames/s, 20:44 left");
    EXPECT_EQ(progressText(0, 300, 0.0, false), "0/300 frames (0%), 0.0 frames/s, ? left");
    EXPECT_EQ(progressText(300, 300, 12.0, true),
              "300/300 frames (100%), 25.0 frames/s, done in 0:12");
}

} // namespace
