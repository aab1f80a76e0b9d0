// A smooth playback position from an audio device that is fed by a callback.
// The callback hands the device whole buffers; what it has handed over runs
// ahead of what is heard by the buffer the device still holds. The clock
// remembers the position and the time of the last hand-over, subtracts the
// device buffer and advances with the time elapsed since, at the byte rate.
// It never runs past the bytes handed over and never goes backwards.
//
// Positions are byte offsets into the played stream; times are nanoseconds of
// any steady clock. The functions are pure arithmetic on the record: the
// caller keeps the callback and the reader from running at once (a device
// lock), and supplies the times.
#pragma once
#include <cstdint>

struct AudioClock {
    int64_t bytesPerSecond = 176400; // 44100 Hz, 16-bit stereo
    int64_t deviceBytes = 0;         // bytes the device holds after each hand-over
    int64_t handedEnd = 0;           // stream offset just past the last byte handed over
    int64_t handedAtNs = 0;          // when that hand-over happened
    int64_t reading = 0;             // the last position read: the clock's floor
    bool handedSinceRestart = false; // no hand-over yet: the clock stays at its start
    bool frozen = false;
};

// Restarts the clock at a stream offset (the start of playback, or a seek):
// it reads that offset until the next hand-over, which must then report the
// end of data taken from that offset on. Clears a freeze.
void audioClockRestart(AudioClock& clock, int64_t position);

// Records a hand-over: the callback has just given the device all bytes up to
// stream offset end (silence past the data included).
void audioClockHandOver(AudioClock& clock, int64_t end, int64_t nowNs);

// The position heard at nowNs: (end - deviceBytes) at the last hand-over plus
// the elapsed time at the byte rate, at most end, never below an earlier read.
int64_t audioClockRead(AudioClock& clock, int64_t nowNs);

// Freezes the clock (pause) at its reading at nowNs and returns it; reads give
// that value and hand-overs are ignored until the next restart. To resume,
// restart at the frozen value and feed the device from that offset on.
int64_t audioClockFreeze(AudioClock& clock, int64_t nowNs);
