// Helpers shared by the synthesiser tests.
#pragma once
#include "synth/decoder.h"
#include "synth/song.h"
#include "synth/synth.h"
#include <cstdint>

// FNV-1a over MusBuf as little-endian 16-bit samples.
inline uint64_t musBufHash() {
    uint64_t h = 1469598103934665603ull;
    for (int16_t v : MusBuf) {
        uint16_t u = uint16_t(v);
        h = (h ^ (u & 0xFF)) * 1099511628211ull;
        h = (h ^ (u >> 8)) * 1099511628211ull;
    }
    return h;
}

// Regression guard for the whole soundtrack. Recorded after checking the
// song's figures (event ticks, store sizes, end frame, silence after the last
// note, per-channel peaks and clip counts) and after looking at plots of the
// whole song, of three seconds and of 50 ms of both channels: rhythmic note
// onsets on the ticks, smooth band-limited waveforms, silence at the end.
constexpr uint64_t musBufExpectedHash = 0x22fb288791d6685dull;
