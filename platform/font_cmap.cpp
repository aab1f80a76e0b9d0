#include "platform/font_cmap.h"

namespace {

// Big-endian fields; false when they lie outside the table.
bool read16(const uint8_t* table, size_t size, size_t at, uint32_t& value) {
    if (at > size || size - at < 2) return false;
    value = uint32_t(table[at]) << 8 | table[at + 1];
    return true;
}

bool read32(const uint8_t* table, size_t size, size_t at, uint32_t& value) {
    if (at > size || size - at < 4) return false;
    value = uint32_t(table[at]) << 24 | uint32_t(table[at + 1]) << 16 |
            uint32_t(table[at + 2]) << 8 | table[at + 3];
    return true;
}

// Unicode subtables: platform 0 (Unicode), or platform 3 (Windows) with
// encoding 10 (full repertoire).
bool unicodeRecord(uint32_t platform, uint32_t encoding) {
    return platform == 0 || (platform == 3 && encoding == 10);
}

// Looks codepoint up in the groups of a format 12 subtable at offset.
uint32_t searchGroups(const uint8_t* table, size_t size, size_t offset, uint32_t codepoint) {
    uint32_t format = 0, groups = 0;
    if (!read16(table, size, offset, format) || format != 12) return 0;
    if (!read32(table, size, offset + 12, groups)) return 0;
    for (uint32_t g = 0; g < groups; ++g) {
        const size_t at = offset + 16 + size_t(g) * 12;
        uint32_t first = 0, last = 0, glyph = 0;
        if (!read32(table, size, at, first) || !read32(table, size, at + 4, last) ||
            !read32(table, size, at + 8, glyph)) {
            return 0;
        }
        if (codepoint >= first && codepoint <= last) return glyph + (codepoint - first);
    }
    return 0;
}

} // namespace

uint32_t cmapGlyphIndex(const uint8_t* table, size_t size, uint32_t codepoint) {
    uint32_t records = 0;
    if (!table || !read16(table, size, 2, records)) return 0;
    for (uint32_t r = 0; r < records; ++r) {
        const size_t at = 4 + size_t(r) * 8;
        uint32_t platform = 0, encoding = 0, offset = 0;
        if (!read16(table, size, at, platform) || !read16(table, size, at + 2, encoding) ||
            !read32(table, size, at + 4, offset)) {
            return 0;
        }
        if (!unicodeRecord(platform, encoding)) continue;
        if (const uint32_t glyph = searchGroups(table, size, offset, codepoint)) return glyph;
    }
    return 0;
}
