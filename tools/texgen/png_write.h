// Writes 8-bit RGBA pictures as PNG files.
#pragma once
#include <cstdint>

// pixels: width x height words 0xAABBGGRR, rows top-down. False on failure.
bool writePng(const char* path, const uint32_t* pixels, int width, int height);
