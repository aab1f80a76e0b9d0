#include "platform/audio_clock.h"
#include <algorithm>

void audioClockRestart(AudioClock& clock, int64_t position) {
    clock.handedEnd = position;
    clock.handedAtNs = 0;
    clock.reading = position;
    clock.handedSinceRestart = false;
    clock.frozen = false;
}

void audioClockHandOver(AudioClock& clock, int64_t end, int64_t nowNs) {
    if (clock.frozen) return;
    clock.handedEnd = end;
    clock.handedAtNs = nowNs;
    clock.handedSinceRestart = true;
}

int64_t audioClockRead(AudioClock& clock, int64_t nowNs) {
    if (clock.frozen || !clock.handedSinceRestart) return clock.reading;
    // Elapsed time is capped where the clamp to the handed bytes takes over
    // anyway, which keeps the product below overflow after a long stall.
    const int64_t elapsedNs = std::clamp<int64_t>(nowNs - clock.handedAtNs, 0, 1000000000000);
    const int64_t heard =
        clock.handedEnd - clock.deviceBytes + elapsedNs * clock.bytesPerSecond / 1000000000;
    clock.reading = std::max(clock.reading, std::min(heard, clock.handedEnd));
    return clock.reading;
}

int64_t audioClockFreeze(AudioClock& clock, int64_t nowNs) {
    const int64_t position = audioClockRead(clock, nowNs);
    clock.frozen = true;
    return position;
}
