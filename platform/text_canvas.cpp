// Text service in the browser: the page's 2D canvas draws the line with the
// web fonts the page serves (web/library_web.js). A symbol face code that has
// a Unicode equivalent in the fallback table is drawn as that character from
// the table's font, so every browser draws the same shapes.
#include "platform/symbol_fallback.h"
#include "platform/text.h"

extern "C" void webRenderText(const char* utf8, int height, const char* face, uint8_t* canvas);

namespace {

// The table's row for a one-character text in a symbol face, or null.
const SymbolFallback* symbolFallback(const char* text, const char* face) {
    if (text[0] == 0 || text[1] != 0) return nullptr;
    return findSymbolFallback(face, static_cast<uint8_t>(text[0]));
}

// Appends one code point as UTF-8; returns the new end.
char* appendUtf8(char* at, uint32_t c) {
    if (c < 0x80) {
        *at++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *at++ = static_cast<char>(0xC0 | c >> 6);
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *at++ = static_cast<char>(0xE0 | c >> 12);
        *at++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *at++ = static_cast<char>(0xF0 | c >> 18);
        *at++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *at++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return at;
}

} // namespace

void platformRenderText(const char* text, uint16_t height, const char* face, uint8_t* canvas) {
    // Single-byte codes read as Latin-1; every code point fits in four bytes.
    static char utf8[4 * 1024 + 1];
    char* end = utf8;
    if (const SymbolFallback* row = symbolFallback(text, face)) {
        end = appendUtf8(end, row->codepoint);
        face = row->unicodeFace;
    } else {
        for (const char* c = text; *c && end < utf8 + sizeof utf8 - 4; ++c)
            end = appendUtf8(end, static_cast<uint8_t>(*c));
    }
    *end = 0;
    webRenderText(utf8, height, face, canvas);
}
