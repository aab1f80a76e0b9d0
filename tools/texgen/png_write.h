// Writes 8-bit RGBA pictures as PNG files, and any file whole or not at all.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>

// Writes PATH.part with `write`, then renames it to PATH. On failure nothing
// is left, errno says why and the result is false.
bool writeFileAtomically(const char* path, const std::function<bool(FILE*)>& write);

// pixels: width x height words 0xAABBGGRR, rows top-down. False on failure.
bool writePng(const char* path, const uint32_t* pixels, int width, int height);
