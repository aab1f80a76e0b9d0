// The music clock's stand-in when no audio device plays: wall-clock time from
// the moment playback started (or was moved or resumed) at a position.
#pragma once
#include <chrono>

struct WallClock {
    bool active = false; // no device: getpos follows this clock
    bool paused = false;
    double baseTicks = 0; // position when it last started
    std::chrono::steady_clock::time_point since;
};

extern WallClock wallClock;

double wallClockTicks(); // the position now, in ticks
