// The music clock over a fake audio device: byte positions in ticks, and the
// wall-clock fallback when no device plays.
#include "platform/platform.h"
#include "synth/synth.h"
#include "synth/wall_clock.h"
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

int16_t MusBuf[musFrames * 2];

namespace {

const void* startedPcm;
uint32_t startedBytes;
int startCalls;
int32_t devicePosition;

} // namespace

void platformStartAudio(const void* pcm, uint32_t bytes) {
    startedPcm = pcm;
    startedBytes = bytes;
    ++startCalls;
}

int32_t platformAudioPosition() {
    return devicePosition;
}

namespace {

uint32_t seekedTo;
int seekCalls;
std::vector<bool> pauses;

} // namespace

void platformSeekAudio(uint32_t byte) {
    seekedTo = byte;
    ++seekCalls;
}

void platformPauseAudio(bool paused) {
    pauses.push_back(paused);
}

namespace {

TEST(MusicClock, StartsTheWholeBufferOnceWithoutWarning) {
    devicePosition = 0;
    testing::internal::CaptureStderr();
    startmus();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(startCalls, 1);
    EXPECT_EQ(startedPcm, static_cast<const void*>(MusBuf));
    EXPECT_EQ(startedBytes, 23855104u);
    EXPECT_EQ(getpos(), 0.0);
}

TEST(MusicClock, ConvertsPlayedBytesToTicks) {
    devicePosition = 0;
    startmus();
    devicePosition = 17640;
    EXPECT_EQ(getpos(), 1.0);
    devicePosition = 8820;
    EXPECT_EQ(getpos(), 0.5);
    devicePosition = 4;
    EXPECT_DOUBLE_EQ(getpos(), 4.0 / 17640.0);
    devicePosition = 23708160; // 1344 ticks: the loop's end test is strict
    EXPECT_EQ(getpos(), 1344.0);
    EXPECT_FALSE(static_cast<float>(getpos()) > static_cast<float>(1344u));
    devicePosition += 5880; // one frame at 30 frames per second later
    EXPECT_TRUE(static_cast<float>(getpos()) > static_cast<float>(1344u));
    devicePosition = int32_t(musBytes); // the end of the buffer
    EXPECT_NEAR(getpos(), 1352.33, 0.01);
}

// The viewer's controls reach the device; a repeated pause is no second call.
TEST(MusicClock, SeeksAndPausesGoToTheDevice) {
    devicePosition = 0;
    startmus();
    seekmus(17640 * 50);
    EXPECT_EQ(seekCalls, 1);
    EXPECT_EQ(seekedTo, 17640u * 50);
    pausemus(true);
    pausemus(true);
    pausemus(false);
    EXPECT_EQ(pauses, (std::vector<bool>{true, false}));
    wallClock = WallClock{}; // the seek moved the stand-in clock too
}

// Without a device the wall clock moves with a seek and holds still in a pause.
TEST(MusicClock, TheWallClockSeeksAndPauses) {
    devicePosition = -1;
    testing::internal::CaptureStderr();
    startmus();
    testing::internal::GetCapturedStderr();
    seekmus(17640 * 100);
    EXPECT_GE(getpos(), 100.0);
    EXPECT_LT(getpos(), 105.0);
    pausemus(true);
    const double held = getpos();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(getpos(), held) << "paused";
    seekmus(17640 * 10);
    EXPECT_EQ(getpos(), 10.0) << "a seek while paused stays paused";
    pausemus(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_GE(getpos() - 10.0, 1.5) << "running again from the seek";
    EXPECT_LT(getpos() - 10.0, 100.0);
    wallClock = WallClock{}; // as at load, for the tests after it in this process
}

// Runs last: the fallback, once taken, stays for the rest of the process.
TEST(MusicClock, FallsBackToTheWallClockWithOneWarning) {
    devicePosition = -1;
    testing::internal::CaptureStderr();
    startmus();
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("no audio device"), std::string::npos);
    EXPECT_EQ(warning.find('\n'), warning.size() - 1) << "one line: " << warning;

    const double first = getpos();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 5.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const double later = getpos();
    EXPECT_GE(later - first, 1.5) << "0.15 s is 1.5 ticks";
    EXPECT_LT(later - first, 100.0);

    testing::internal::CaptureStderr();
    (void)getpos();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the warning is given once";
}

} // namespace
