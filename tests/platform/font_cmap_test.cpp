// Glyph lookup in a character map: a made-up table with a 16-bit subtable
// and a segmented one, and every truncation of it.
#include "platform/font_cmap.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

void put16(std::vector<uint8_t>& t, uint32_t v) {
    t.push_back(uint8_t(v >> 8)), t.push_back(uint8_t(v));
}

void put32(std::vector<uint8_t>& t, uint32_t v) {
    put16(t, v >> 16), put16(t, v & 0xFFFF);
}

// Version 0 with three records: (1, 0) and (3, 1) point at a format 4 stub,
// (3, 10) at a format 12 subtable of two groups.
std::vector<uint8_t> sampleTable() {
    std::vector<uint8_t> t;
    put16(t, 0), put16(t, 3);
    const uint32_t stub = 4 + 3 * 8, segmented = stub + 16;
    put16(t, 1), put16(t, 0), put32(t, stub);
    put16(t, 3), put16(t, 1), put32(t, stub);
    put16(t, 3), put16(t, 10), put32(t, segmented);
    put16(t, 4); // a format 4 stub: never read as groups
    for (int i = 0; i < 7; ++i)
        put16(t, 0xFFFF);
    put16(t, 12), put16(t, 0), put32(t, 16 + 2 * 12), put32(t, 0), put32(t, 2);
    put32(t, 0x20), put32(t, 0x7E), put32(t, 3);          // ASCII from glyph 3
    put32(t, 0x1F3D0), put32(t, 0x1F3DF), put32(t, 8220); // a run of pictographs
    return t;
}

TEST(FontCmap, FindsCodePointsInTheSegmentedSubtable) {
    const std::vector<uint8_t> t = sampleTable();
    EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), 0x20), 3u);
    EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), 'J'), 3u + 'J' - 0x20);
    EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), 0x1F3D0), 8220u);
    EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), 0x1F3DD), 8233u);
    EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), 0x1F3DF), 8235u);
}

TEST(FontCmap, MissingCodePointsGiveTheMissingGlyph) {
    const std::vector<uint8_t> t = sampleTable();
    for (const uint32_t codepoint : {0x1Fu, 0x7Fu, 0x1F3CFu, 0x1F3E0u, 0x1F6F3u})
        EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), codepoint), 0u) << codepoint;
    EXPECT_EQ(cmapGlyphIndex(nullptr, 0, 0x20), 0u);
}

// A table cut short anywhere is read up to its end and no further (the
// sanitizer build checks the reads); a cut before the group answers 0.
TEST(FontCmap, TruncatedTablesAreReadOnlyToTheirEnd) {
    const std::vector<uint8_t> t = sampleTable();
    for (size_t size = 0; size < t.size(); ++size) {
        const std::vector<uint8_t> cut(t.begin(), t.begin() + long(size));
        const uint32_t glyph = cmapGlyphIndex(cut.data(), cut.size(), 0x1F3DD);
        EXPECT_EQ(glyph, size == t.size() ? 8233u : 0u) << size;
    }
}

TEST(FontCmap, OffsetsBeyondTheTableAreIgnored) {
    std::vector<uint8_t> t = sampleTable();
    t[24] = 0x7F; // the (3, 10) record's offset now points far outside
    EXPECT_EQ(cmapGlyphIndex(t.data(), t.size(), 0x1F3DD), 0u);
}

} // namespace
