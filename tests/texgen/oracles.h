// Straightforward implementations of the generator's costly operations, as
// the operations are defined, for comparison with the fast versions.
#pragma once
#include <cstdint>

uint32_t overPixelReference(uint32_t dst, uint32_t src);
void floodFillReference(double x, double y, uint32_t colour); // expanding window until stable
void spreadAlphaReference(double r);                          // whole-layer passes until stable
void randomWalkReference(int walkers, int stepDiv);
void gradientNoiseReference(int startFrequency);

// Test helpers.
bool allPixelsAre(const uint32_t* layer, uint32_t value);
uint64_t hashPixels(const uint32_t* pixels, int count);
void freshGenerator(); // empty stack, random source at its start value
