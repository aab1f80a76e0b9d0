// Frame rates as fractions (30, 60000/1001) and the audio frames of a grid of
// frames at such a rate.
#pragma once
#include <cstdint>

constexpr uint32_t audioRate = 44100;   // audio frames per second
constexpr uint32_t audioFrameBytes = 4; // 16-bit stereo

struct FrameRate {
    uint32_t num = 30; // frames per second = num / den
    uint32_t den = 1;
};

// Audio frames from the start of a grid to its frame n, rounded down.
constexpr int64_t gridSamples(int64_t n, FrameRate rate) {
    return n * audioRate * rate.den / rate.num;
}

// How many frames of a grid lie before `samples` audio frames after its start.
constexpr int64_t gridFramesBefore(int64_t samples, FrameRate rate) {
    if (samples <= 0) return 0;
    const int64_t period = int64_t(audioRate) * rate.den;
    return (samples * rate.num + period - 1) / period;
}
