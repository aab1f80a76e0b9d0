// Text service: rasterises one line of text into a 1024 x 1024 canvas of
// 32-bit pixels, rows top-down. Black text on white, horizontally centred,
// top of the line at row 0, cell height (ascent + descent) = height pixels.
// Byte 0 of each pixel is blue, byte 1 green, byte 2 red; byte 3 is unspecified.
// Every pixel of the canvas is written, whatever fails.
#pragma once
#include <cstdint>

void platformRenderText(const char* text, uint16_t height, const char* face, uint8_t* canvas);
