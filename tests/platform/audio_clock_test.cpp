// The audio clock over made-up callback timings: regular callbacks read at
// display rates, late and early callbacks, a stalled device, restarts and
// freezes.
#include "platform/audio_clock.h"
#include <gtest/gtest.h>

namespace {

constexpr int64_t chunk = 4096;                        // 1024 frames of 16-bit stereo
constexpr int64_t rate = 176400;                       // bytes per second
constexpr int64_t ms = 1000000;                        // nanoseconds
constexpr int64_t chunkNs = chunk * 1000000000 / rate; // 23.2 ms

// A device fed one chunk per callback, holding one chunk after each.
struct Device {
    AudioClock clock;
    int64_t end = 0;

    Device() {
        clock.deviceBytes = chunk;
        audioClockRestart(clock, 0);
    }
    void callback(int64_t atNs) {
        end += chunk;
        audioClockHandOver(clock, end, atNs);
    }
};

// Bytes that play in the given nanoseconds, as the clock rounds them.
int64_t bytesIn(int64_t ns) {
    return ns * rate / 1000000000;
}

TEST(AudioClock, StaysAtItsStartUntilTheFirstHandOver) {
    Device device;
    EXPECT_EQ(audioClockRead(device.clock, 0), 0);
    EXPECT_EQ(audioClockRead(device.clock, 500 * ms), 0);
    device.callback(500 * ms);
    EXPECT_EQ(audioClockRead(device.clock, 500 * ms), 0) << "the first chunk is not heard yet";
    EXPECT_EQ(audioClockRead(device.clock, 510 * ms), bytesIn(10 * ms));
}

// Regular callbacks, reads at 60 and 144 frames per second: every read
// advances by the elapsed time, none passes the bytes handed over or goes back,
// and a read at a callback sees exactly (handed over - device buffer).
TEST(AudioClock, AdvancesWithTheWallTimeBetweenRegularCallbacks) {
    for (const int64_t frameNs : {1000000000 / 60, 1000000000 / 144}) {
        Device device;
        int64_t nextCallback = 0;
        int64_t previous = 0, previousNs = 0;
        for (int64_t now = 0; now < 3000 * ms; now += frameNs) {
            while (nextCallback <= now) {
                device.callback(nextCallback);
                EXPECT_EQ(audioClockRead(device.clock, nextCallback), device.end - chunk);
                nextCallback += chunkNs;
            }
            const int64_t position = audioClockRead(device.clock, now);
            ASSERT_LE(position, device.end) << "frame " << frameNs << " at " << now;
            if (now > 0) {
                // The clamp to the hand-over can hold a read back by the
                // rounding of the chunk period, a byte or two.
                EXPECT_GT(position, previous) << "at " << now;
                EXPECT_NEAR(position - previous, bytesIn(now - previousNs), 2) << "at " << now;
            }
            previous = position, previousNs = now;
        }
    }
}

TEST(AudioClock, LateCallbackHoldsTheClockAtTheBytesHandedOver) {
    Device device;
    device.callback(0);
    device.callback(chunkNs);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs), chunk);
    // The next callback is 30 ms late: the clock runs to the end of what the
    // device was given, then waits.
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 10 * ms), chunk + bytesIn(10 * ms));
    EXPECT_EQ(audioClockRead(device.clock, 2 * chunkNs + 20 * ms), 2 * chunk);
    EXPECT_EQ(audioClockRead(device.clock, 2 * chunkNs + 30 * ms), 2 * chunk);
    device.callback(2 * chunkNs + 30 * ms);
    EXPECT_EQ(audioClockRead(device.clock, 2 * chunkNs + 30 * ms), 2 * chunk);
    EXPECT_EQ(audioClockRead(device.clock, 2 * chunkNs + 35 * ms), 2 * chunk + bytesIn(5 * ms));
}

TEST(AudioClock, NeverGoesBack) {
    Device device;
    device.callback(0);
    EXPECT_EQ(audioClockRead(device.clock, 20 * ms), bytesIn(20 * ms));
    // An early callback moves the clock up to what the device was given.
    device.callback(chunkNs - 5 * ms);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs - 5 * ms), chunk);
    // A read stamped before that callback ran.
    EXPECT_EQ(audioClockRead(device.clock, chunkNs - 10 * ms), chunk);
    const int64_t before = audioClockRead(device.clock, chunkNs + 15 * ms);
    EXPECT_EQ(before, chunk + bytesIn(20 * ms));
    // A short hand-over: (handed over - device buffer) lies behind that read.
    device.end += chunk / 4;
    audioClockHandOver(device.clock, device.end, chunkNs + 15 * ms);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 15 * ms), before);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 25 * ms), before);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 35 * ms),
              device.end - chunk + bytesIn(20 * ms));
}

TEST(AudioClock, StalledDeviceStopsTheClock) {
    Device device;
    for (int i = 0; i < 4; ++i)
        device.callback(i * chunkNs);
    const int64_t handed = device.end;
    for (int64_t now = 4 * chunkNs; now < 10000 * ms; now += 100 * ms)
        ASSERT_EQ(audioClockRead(device.clock, now), now == 4 * chunkNs ? handed - 1 : handed);
    // Hours without a callback do not overflow the elapsed bytes.
    EXPECT_EQ(audioClockRead(device.clock, int64_t(1) << 62), handed);
}

TEST(AudioClock, RestartReadsTheNewPositionUntilDataFromThereIsHeard) {
    Device device;
    device.callback(0);
    device.callback(chunkNs);
    EXPECT_GT(audioClockRead(device.clock, chunkNs + 5 * ms), 0);
    // A seek back to one second in: the clock may go back by a restart only.
    const int64_t seek = rate;
    audioClockRestart(device.clock, seek);
    device.end = seek;
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 10 * ms), seek);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 20 * ms), seek);
    device.callback(chunkNs + 20 * ms);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 20 * ms), seek);
    EXPECT_EQ(audioClockRead(device.clock, chunkNs + 30 * ms), seek + bytesIn(10 * ms));
}

TEST(AudioClock, FreezeHoldsTheReadingUntilTheNextRestart) {
    Device device;
    device.callback(0);
    device.callback(chunkNs);
    const int64_t paused = audioClockFreeze(device.clock, chunkNs + 10 * ms);
    EXPECT_EQ(paused, chunk + bytesIn(10 * ms));
    device.callback(2 * chunkNs); // a callback racing the pause changes nothing
    EXPECT_EQ(audioClockRead(device.clock, 2 * chunkNs + 10 * ms), paused);
    EXPECT_EQ(audioClockRead(device.clock, 5000 * ms), paused);
    // Resume: restart where it stood and feed the device from there.
    audioClockRestart(device.clock, paused);
    device.end = paused;
    EXPECT_EQ(audioClockRead(device.clock, 6000 * ms), paused);
    device.callback(6000 * ms);
    EXPECT_EQ(audioClockRead(device.clock, 6000 * ms), paused);
    EXPECT_EQ(audioClockRead(device.clock, 6010 * ms), paused + bytesIn(10 * ms));
}

} // namespace
