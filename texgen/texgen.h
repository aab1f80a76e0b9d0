// Texture generator entry point.
#pragma once
#include <cstdint>

// Runs recipe id (negative: the glyph of character -id; 0..16: procedural
// pictures) and returns the 1024 x 1024 RGBA OutputImage, valid until the next
// call; null for ids above 16.
const uint32_t* buildTexture(int32_t id);
