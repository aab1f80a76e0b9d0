// Playback of MusBuf and the music clock derived from the device position.
#include "platform/platform.h"
#include "synth/synth.h"
#include "synth/wall_clock.h"
#include <cstdio>

WallClock wallClock;

namespace {

constexpr double ticksPerSecond = 10.0;

} // namespace

double wallClockTicks() {
    if (wallClock.paused) return wallClock.baseTicks;
    const std::chrono::duration<double> elapsed =
        std::chrono::steady_clock::now() - wallClock.since;
    return wallClock.baseTicks + elapsed.count() * ticksPerSecond;
}

void startmus() {
    platformStartAudio(MusBuf, musBytes);
    if (platformAudioPosition() >= 0) return;
    // Without a device the presentation still runs, silently, to its end.
    std::fputs("intro: no audio device, the music clock follows the wall clock\n", stderr);
    std::fflush(stderr); // a redirected stderr may be buffered (Windows runtimes)
    wallClock.active = true;
    wallClock.since = std::chrono::steady_clock::now();
}

double getpos() {
    if (wallClock.active) return wallClockTicks();
    return static_cast<double>(platformAudioPosition()) / static_cast<double>(tempo);
}
