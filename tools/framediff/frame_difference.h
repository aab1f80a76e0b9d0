// How far apart two pictures of the same size are: the mean absolute
// difference of the red, green and blue bytes (0 to 255) and the peak
// signal-to-noise ratio in dB (infinite for equal pictures).
#pragma once
#include <cstddef>
#include <cstdint>

struct FrameDifference {
    double meanAbsolute;
    double psnr;
};

// Two RGBA pictures of `pixels` pixels each; alpha is not compared.
FrameDifference frameDifference(const uint8_t* a, const uint8_t* b, size_t pixels);
