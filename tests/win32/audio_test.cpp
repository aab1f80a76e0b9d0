#include "platform/platform.h"
#include <gtest/gtest.h>
#include <vector>
#include <windows.h>

// The test program never runs the presentation.
void introMain() {
    ExitProcess(1);
}

namespace {

TEST(WaveOut, PositionIsZeroBeforeStartThenBoundedAndMonotonic) {
    EXPECT_EQ(platformAudioPosition(), 0);

    static std::vector<int16_t> silence(44100 * 2 / 2); // half a second, stereo
    const uint32_t bytes = uint32_t(silence.size() * sizeof(int16_t));
    platformStartAudio(silence.data(), bytes);

    int32_t first = platformAudioPosition();
    if (first < 0) {
        // No wave device: the backend says so on every call.
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(platformAudioPosition(), -1);
        GTEST_SKIP() << "no wave output device";
    }
    int32_t previous = first;
    DWORD start = GetTickCount();
    while (previous < int32_t(bytes) && GetTickCount() - start < 5000) {
        int32_t now = platformAudioPosition();
        ASSERT_GE(now, previous);
        ASSERT_LE(now, int32_t(bytes));
        EXPECT_EQ(now % 4, 0) << "whole stereo frames";
        previous = now;
        Sleep(5);
    }
    EXPECT_EQ(previous, int32_t(bytes)) << "the whole block plays";
    EXPECT_EQ(platformAudioPosition(), int32_t(bytes)) << "stays at the end";
}

} // namespace
