// The six single-cycle waveform tables read by every oscillator.
#pragma once
#include <cstdint>

constexpr int waveTableCount = 6; // table 5 stays silent
constexpr uint32_t waveTableSize = 65536;

extern float wforms[waveTableCount * waveTableSize];

// Resets the floating-point environment and fills tables 0 to 4.
void buildWaveforms();

// Entry of table `table` at the rounded, wrapped phase (table units).
inline float waveLookup(const float* tables, uint32_t table, uint32_t index16) {
    return tables[table * waveTableSize + index16];
}
