#include "synth/wforms.h"
#include "synth/fpmath.h"
#include "synth/song.h"
#include <cfenv>
#include <cmath>

alignas(64) float wforms[waveTableCount * waveTableSize];

namespace {

// Each table runs its own abscissa, stepped before every entry.
void fillSine(float* out) {
    double x = 0;
    for (uint32_t i = 0; i < waveTableSize; ++i) {
        x += wavestep;
        out[i] = float(sinPiPortable(x));
    }
}

void fillFromMinusOne(float* out, double (*shape)(double)) {
    double x = -1;
    for (uint32_t i = 0; i < waveTableSize; ++i) {
        x += wavestep;
        out[i] = float(shape(x));
    }
}

void fillSquare(float* out) {
    float value = -1;
    for (uint32_t i = 0; i < waveTableSize; ++i) {
        if (i == waveTableSize / 2) value = -value;
        out[i] = value;
    }
}

double saw(double x) {
    return x;
}
double parabola(double x) {
    return 2 * x * x - 1;
}
double triangle(double x) {
    return std::fabs(2 * x) - 1;
}

} // namespace

void buildWaveforms() {
    std::fesetenv(FE_DFL_ENV);
    fillSine(wforms);
    fillFromMinusOne(wforms + 1 * waveTableSize, saw);
    fillSquare(wforms + 2 * waveTableSize);
    fillFromMinusOne(wforms + 3 * waveTableSize, parabola);
    fillFromMinusOne(wforms + 4 * waveTableSize, triangle);
}
