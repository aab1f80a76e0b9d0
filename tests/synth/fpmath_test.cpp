#include "synth/fpmath.h"
#include <cmath>
#include <gtest/gtest.h>

namespace {

double ulpDistance(double a, double b) {
    return std::fabs(a - b) / std::fabs(std::nextafter(b, INFINITY) - b);
}

TEST(FpMath, RoundEvenBreaksTiesToEven) {
    EXPECT_EQ(roundEven(0.5), 0.0);
    EXPECT_EQ(roundEven(1.5), 2.0);
    EXPECT_EQ(roundEven(2.5), 2.0);
    EXPECT_EQ(roundEven(-0.5), 0.0);
    EXPECT_EQ(roundEven(-1.5), -2.0);
    EXPECT_EQ(roundEven(-2.4999999999999996), -2.0);
    EXPECT_EQ(roundEven(4503599627370497.0), 4503599627370497.0);
    EXPECT_EQ(roundEven(1e300), 1e300);
}

TEST(FpMath, TableIndexKeepsLow16BitsOfRoundedPhase) {
    EXPECT_EQ(roundLow16(-0.5), 0u);
    EXPECT_EQ(roundLow16(65535.5), 0u);
    EXPECT_EQ(roundLow16(65534.5), 65534u);
    EXPECT_EQ(roundLow16(-1.0), 65535u);
    EXPECT_EQ(roundLow16(-65537.0), 65535u);
    // far beyond 32 bits, as phases of growing modulation reach
    EXPECT_EQ(roundLow16(140737488355328.0 + 70000.0), 70000u - 65536u);
    EXPECT_EQ(roundLow16(-140737488355328.0 - 3.0), 65533u);
    // beyond 64 bits: an integer multiple of 2^11
    EXPECT_EQ(roundLow16(std::ldexp(1.0, 70) + std::ldexp(3.0, 18)), 0u);
    EXPECT_EQ(roundLow16(std::ldexp(1.0, 64) + std::ldexp(1.0, 12)), 4096u);
    EXPECT_EQ(roundLow16(NAN), 0u);
    EXPECT_EQ(roundLow16(-INFINITY), 0u);
}

TEST(FpMath, Exp2IsExactOnIntegersAndAccurateBetween) {
    for (int k = -60; k <= 60; ++k)
        EXPECT_EQ(exp2Portable(k), std::ldexp(1.0, k)) << k;
    double worst = 0;
    for (int n = -128 * 64; n <= 127 * 64; ++n) {
        double x = n / 512.0 + 1e-7 * (n % 7);
        worst = std::fmax(worst, ulpDistance(exp2Portable(x), std::exp2(x)));
    }
    EXPECT_LE(worst, 2.0);
    // tiny exponents, as the cubed sweep rates give: 1 + x ln 2
    EXPECT_LE(ulpDistance(exp2Portable(-3.0517578125e-5), std::exp2(-3.0517578125e-5)), 1.0);
    EXPECT_EQ(exp2Portable(2000.0), INFINITY);
    EXPECT_EQ(exp2Portable(-2000.0), 0.0);
}

TEST(FpMath, SinPiIsExactAtQuarterTurnsAndAccurateBetween) {
    EXPECT_EQ(sinPiPortable(0.5), 1.0);
    EXPECT_EQ(sinPiPortable(1.5), -1.0);
    EXPECT_EQ(sinPiPortable(1.0), 0.0);
    EXPECT_FALSE(std::signbit(sinPiPortable(1.0)));
    EXPECT_EQ(sinPiPortable(2.0), 0.0);
    double worst = 0;
    // the first quarter turn, where a long double reference has no cancellation
    // (the wave table tests check the symmetries that give the rest)
    for (int i = 1; i <= 16384; ++i) {
        double x = i / 32768.0;
        long double ref = std::sin(3.141592653589793238462643383279502884L * (long double)x);
        worst = std::fmax(worst, ulpDistance(sinPiPortable(x), double(ref)));
    }
    EXPECT_LE(worst, 2.0);
}

} // namespace
