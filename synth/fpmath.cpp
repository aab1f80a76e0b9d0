// Argument reduction and polynomials on IEEE basic operations only.
#include "synth/fpmath.h"
#include <bit>
#include <cmath>

namespace {

constexpr double twoPow52 = 4503599627370496.0;

// ln2^n / n!, n = 1 ... 14
constexpr double exp2Coef[14] = {
    0x1.62e42fefa39efp-1,  0x1.ebfbdff82c58fp-3,  0x1.c6b08d704a0c0p-5,  0x1.3b2ab6fba4e77p-7,
    0x1.5d87fe78a6731p-10, 0x1.430912f86c787p-13, 0x1.ffcbfc588b0c7p-17, 0x1.62c0223a5c824p-20,
    0x1.b5253d395e7c4p-24, 0x1.e4cf5158b8ecap-28, 0x1.e8cac7351bb25p-32, 0x1.c3bd650fc2986p-36,
    0x1.816193166d0f9p-40, 0x1.314964d5878a9p-44};

// (-1)^n pi^(2n+1) / (2n+1)!, n = 0 ... 9
constexpr double sinCoef[10] = {
    0x1.921fb54442d18p+1,  -0x1.4abbce625be53p+2, 0x1.466bc6775aae2p+1,  -0x1.32d2cce62bd86p-1,
    0x1.50783487ee782p-4,  -0x1.e3074fde8871fp-8, 0x1.e8f434d018d63p-12, -0x1.6fadb9f155744p-16,
    0x1.aaec32af93359p-21, -0x1.8a404211f9547p-26};

// (-1)^n pi^(2n) / (2n)!, n = 1 ... 9
constexpr double cosCoef[9] = {
    -0x1.3bd3cc9be45dep+2,  0x1.03c1f081b5ac4p+2,  -0x1.55d3c7e3cbffap+0,
    0x1.e1f506891babbp-3,   -0x1.a6d1f2a204a8cp-6, 0x1.f9d38a3763cc3p-10,
    -0x1.b6e24f44b128fp-14, 0x1.20c62c2f2d7f5p-18, -0x1.2a0c591af8314p-23};

double scaleByPow2(double x, int k) {
    // 2^k as a double built from its bits, applied in at most two exact steps
    int first = k > 1000 ? 1000 : (k < -1000 ? -1000 : k);
    int second = k - first;
    double r = x * std::bit_cast<double>(uint64_t(1023 + first) << 52);
    if (second != 0) r *= std::bit_cast<double>(uint64_t(1023 + second) << 52);
    return r;
}

double sinPiReduced(double z) { // |z| <= 1/4
    double w = z * z;
    double p = sinCoef[9];
    for (int n = 8; n >= 0; --n)
        p = p * w + sinCoef[n];
    return z * p;
}

double cosPiReduced(double z) { // |z| <= 1/4
    double w = z * z;
    double p = cosCoef[8];
    for (int n = 7; n >= 0; --n)
        p = p * w + cosCoef[n];
    return 1.0 + w * p;
}

} // namespace

double roundEven(double x) {
    if (!(std::fabs(x) < twoPow52)) return x; // already integral, or NaN
    // adding 2^52 leaves no fraction bits: the addition itself rounds to even
    if (x >= 0) return (x + twoPow52) - twoPow52;
    return -((-x + twoPow52) - twoPow52);
}

double exp2Portable(double x) {
    if (x != x) return x;
    if (x > 1024.0) return INFINITY;
    if (x < -1080.0) return 0.0;
    double k = roundEven(x);
    double r = x - k; // exact, |r| <= 1/2
    double p = exp2Coef[13];
    for (int n = 12; n >= 0; --n)
        p = p * r + exp2Coef[n];
    return scaleByPow2(1.0 + r * p, int(k));
}

double sinPiPortable(double x) {
    if (!(std::fabs(x) < twoPow52)) return std::fabs(x) < INFINITY ? 0.0 : x - x;
    double n = roundEven(2.0 * x); // nearest quarter turn
    double r = x - 0.5 * n;        // exact, |r| <= 1/4
    double half = n - 4.0 * std::floor(n * 0.25);
    double s = (half == 0 || half == 2) ? sinPiReduced(r) : cosPiReduced(r);
    if (half >= 2) s = -s;
    return s == 0 ? 0.0 : s; // no negative zero
}

uint32_t roundLow16(double x) {
    double r = roundEven(x);
    if (!(std::fabs(r) < INFINITY)) return 0;
    if (std::fabs(r) < 9.2e18) return uint32_t(uint64_t(int64_t(r)) & 0xFFFFu);
    // beyond 64 bits the integer is a multiple of 2^11; fmod is exact
    double m = std::fmod(r, 65536.0);
    if (m < 0) m += 65536.0;
    return uint32_t(m) & 0xFFFFu;
}
