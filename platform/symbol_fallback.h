// Symbol codes drawn from a Unicode font when the symbol face a recipe names
// has no real glyph for them (a missing face, a missing glyph, or a face whose
// glyphs are all placeholder boxes). One row per code; extend as needed.
#pragma once
#include <cstdint>

struct SymbolFallback {
    const char* face;         // the symbol face the recipe asks for
    uint8_t code;             // the code in that face's own symbol set
    const char* unicodeFace;  // a monochrome outline font with the Unicode character
    uint32_t codepoint;       // the code's standard Unicode equivalent
};

inline constexpr SymbolFallback symbolFallbacks[] = {
    {"Webdings", 74, "Symbola", 0x1F3DD}, // desert island
    {"Webdings", 84, "Symbola", 0x1F6F3}, // passenger ship
};

// The row for (face, code), or null when the code has no fallback.
const SymbolFallback* findSymbolFallback(const char* face, uint8_t code);
