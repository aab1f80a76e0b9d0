#include "tools/framediff/frame_difference.h"

#include <cmath>
#include <limits>

FrameDifference frameDifference(const uint8_t* a, const uint8_t* b, size_t pixels) {
    double absolute = 0, squared = 0;
    for (size_t i = 0; i < pixels * 4; ++i) {
        if (i % 4 == 3) continue;
        const double d = double(a[i]) - double(b[i]);
        absolute += std::fabs(d);
        squared += d * d;
    }
    const double samples = double(pixels) * 3;
    if (samples == 0 || squared == 0) return {0, std::numeric_limits<double>::infinity()};
    return {absolute / samples, 10 * std::log10(255.0 * 255.0 / (squared / samples))};
}
