// Portable double-precision helpers whose results depend only on IEEE basic
// arithmetic, so every build computes the same bits whatever its C library.
#pragma once
#include <cstdint>

// Round to the nearest integer, ties to even (any finite x; NaN passes through).
double roundEven(double x);

// 2^x, accurate to about one ulp for |x| <= 1000; overflows to inf, underflows to 0.
double exp2Portable(double x);

// sin(pi * x) with exact argument reduction; exact at multiples of 1/2.
double sinPiPortable(double x);

// Low 16 bits (two's complement) of round-to-nearest-even(x); 0 for NaN or inf.
uint32_t roundLow16(double x);
