// The viewer's controls of playback, on the device or on the wall clock that
// stands in for a missing one.
#include "platform/platform.h"
#include "synth/synth.h"
#include "synth/wall_clock.h"

void seekmus(uint32_t byte) {
    platformSeekAudio(byte);
    wallClock.baseTicks = static_cast<double>(byte) / static_cast<double>(tempo);
    wallClock.since = std::chrono::steady_clock::now();
}

void pausemus(bool paused) {
    if (paused == wallClock.paused) return;
    platformPauseAudio(paused);
    wallClock.baseTicks = wallClockTicks();
    wallClock.since = std::chrono::steady_clock::now();
    wallClock.paused = paused;
}
