// Glyph lookup in a font's character map (the raw 'cmap' table of a TrueType
// or OpenType face) for code points beyond 16 bits, which the system's text
// calls cannot name. Reads only inside the given bytes.
#pragma once
#include <cstddef>
#include <cstdint>

// The glyph index of codepoint in the table's Unicode subtable of segmented
// coverage (format 12); 0, the missing glyph, when there is none.
uint32_t cmapGlyphIndex(const uint8_t* table, size_t size, uint32_t codepoint);
