// Playback of MusBuf and the music clock derived from the device position.
#include "platform/platform.h"
#include "synth/synth.h"
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double ticksPerSecond = 10.0;

bool wallClockFallback;
Clock::time_point playbackStart;

} // namespace

void startmus() {
    platformStartAudio(MusBuf, musBytes);
    if (platformAudioPosition() >= 0) return;
    // Without a device the presentation still runs, silently, to its end.
    std::fputs("intro: no audio device, the music clock follows the wall clock\n", stderr);
    std::fflush(stderr); // a redirected stderr may be buffered (Windows runtimes)
    wallClockFallback = true;
    playbackStart = Clock::now();
}

double getpos() {
    if (wallClockFallback) {
        const std::chrono::duration<double> elapsed = Clock::now() - playbackStart;
        return elapsed.count() * ticksPerSecond;
    }
    return static_cast<double>(platformAudioPosition()) / static_cast<double>(tempo);
}
