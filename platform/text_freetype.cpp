// Text service on Linux: FreeType rasterises, fontconfig finds faces by name.
// The Windows core faces come from the wine font directory, which fontconfig
// is told about at first use; a face that cannot be found falls back to the
// default sans face with one warning. A one-character text in a symbol face
// without a real glyph for it is drawn from the code's Unicode equivalent
// (platform/symbol_fallback.h).
#include "platform/symbol_fallback.h"
#include "platform/text.h"
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <vector>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace {

constexpr int CANVAS = 1024;
const char* const EXTRA_FONT_DIR = "/usr/share/wine/fonts";

struct LoadedFace {
    char name[64];
    FT_Face face;    // null: nothing usable, the canvas stays white
    bool symbol;     // symbol character map: code c sits at U+F000 + c
    bool substitute; // another face stands in for the one named
};

FT_Library library;
bool started;
LoadedFace faces[8];
int faceCount;

bool sameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(uint8_t(*a)) != std::tolower(uint8_t(*b))) return false;
    return *a == *b;
}

void start() {
    if (started) return;
    started = true;
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
    if (FcInit()) FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(EXTRA_FONT_DIR));
}

// Path of the face fontconfig matches for family; exact tells whether the
// match carries that family name rather than a substitute.
bool matchFace(const char* family, char* path, size_t size, bool& exact) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (!pattern) return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    FcChar8* found = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    exact = FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch &&
            sameName(reinterpret_cast<const char*>(found), family);
    if (ok) std::snprintf(path, size, "%s", reinterpret_cast<const char*>(file));
    FcPatternDestroy(match);
    return ok;
}

// The face file of family: fontconfig's exact match, else <dir>/<family>.ttf
// in the wine font directory, else the default sans face (with a warning,
// and substitute set).
bool findFaceFile(const char* family, char* path, size_t size, bool& substitute) {
    bool exact = false;
    substitute = false;
    if (matchFace(family, path, size, exact) && exact) return true;
    char guess[256];
    int n = std::snprintf(guess, sizeof guess, "%s/", EXTRA_FONT_DIR);
    for (const char* c = family; *c && n < int(sizeof guess) - 5; ++c)
        guess[n++] = char(std::tolower(uint8_t(*c)));
    std::snprintf(guess + n, sizeof guess - size_t(n), ".ttf");
    if (FILE* f = std::fopen(guess, "rb")) {
        std::fclose(f);
        std::snprintf(path, size, "%s", guess);
        return true;
    }
    bool fallback = matchFace("sans-serif", path, size, exact);
    substitute = true;
    std::fprintf(stderr, "text: font face \"%s\" not found, using %s\n", family,
                 fallback ? path : "no face at all");
    return fallback;
}

LoadedFace* loadFace(const char* family) {
    for (int i = 0; i < faceCount; ++i)
        if (sameName(faces[i].name, family)) return &faces[i];
    LoadedFace* entry = &faces[faceCount < 7 ? faceCount++ : 7];
    std::snprintf(entry->name, sizeof entry->name, "%s", family);
    entry->face = nullptr;
    entry->symbol = false;
    entry->substitute = true;
    char path[512];
    if (!library || !findFaceFile(family, path, sizeof path, entry->substitute)) return entry;
    if (FT_New_Face(library, path, 0, &entry->face) != 0) {
        std::fprintf(stderr, "text: cannot open font file %s\n", path);
        entry->face = nullptr;
        return entry;
    }
    entry->symbol = FT_Select_Charmap(entry->face, FT_ENCODING_MS_SYMBOL) == 0;
    if (!entry->symbol) FT_Select_Charmap(entry->face, FT_ENCODING_UNICODE);
    return entry;
}

FT_UInt glyphIndex(const LoadedFace& f, uint8_t code) {
    if (!f.symbol) return FT_Get_Char_Index(f.face, code);
    FT_UInt index = FT_Get_Char_Index(f.face, 0xF000u + code);
    return index ? index : FT_Get_Char_Index(f.face, code);
}

// A fingerprint of a glyph's outline in font units (points, tags and contour
// ends); 0 when it cannot be loaded or draws nothing.
uint64_t outlineFingerprint(FT_Face face, FT_UInt index) {
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) != 0) return 0;
    const FT_Outline& outline = face->glyph->outline;
    if (outline.n_points == 0) return 0;
    uint64_t hash = 14695981039346656037u; // FNV-1a
    auto mix = [&hash](long value) { hash = (hash ^ uint64_t(value)) * 1099511628211u; };
    for (int i = 0; i < outline.n_points; ++i) {
        mix(outline.points[i].x);
        mix(outline.points[i].y);
        mix(outline.tags[i]);
    }
    for (int i = 0; i < outline.n_contours; ++i)
        mix(outline.contours[i]);
    return hash | 1;
}

// A glyph that draws something of its own: not missing, not empty, and not
// the face's placeholder (the .notdef box, which placeholder-only faces map
// their codes to).
bool realGlyph(FT_Face face, FT_UInt index) {
    if (!face || index == 0) return false;
    const uint64_t shape = outlineFingerprint(face, index);
    return shape != 0 && shape != outlineFingerprint(face, 0);
}

// The face and glyph that draw a one-character text.
struct Glyph {
    FT_Face face;
    FT_UInt index;
};

// The Unicode equivalent of a symbol code when the face found for family has
// no real glyph for it (or is a stand-in for a missing face); face null when
// the code is drawn as usual.
Glyph symbolFallback(const char* family, const LoadedFace& found, uint8_t code) {
    const SymbolFallback* row = findSymbolFallback(family, code);
    if (!row) return {};
    if (!found.substitute && realGlyph(found.face, glyphIndex(found, code))) return {};
    const LoadedFace* unicode = loadFace(row->unicodeFace);
    if (unicode->substitute || unicode->symbol) return {};
    const FT_UInt index = FT_Get_Char_Index(unicode->face, row->codepoint);
    if (!realGlyph(unicode->face, index)) return {};
    return {unicode->face, index};
}

// Font units of the cell (ascent + descent) and of its ascent.
void cellMetrics(FT_Face face, long& cell, long& ascent) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        cell = os2->usWinAscent + os2->usWinDescent;
    } else {
        ascent = face->ascender;
        cell = face->ascender - face->descender;
    }
    if (cell <= 0) cell = face->units_per_EM, ascent = face->units_per_EM * 4 / 5;
}

// Darkens canvas pixels by the glyph's coverage (black text on white).
void paintGlyph(const FT_Bitmap& bm, int left, int top, uint8_t* canvas) {
    for (unsigned row = 0; row < bm.rows; ++row) {
        int y = top + int(row);
        if (y < 0 || y >= CANVAS) continue;
        const uint8_t* src = bm.buffer + long(row) * bm.pitch;
        for (unsigned col = 0; col < bm.width; ++col) {
            int x = left + int(col);
            if (x < 0 || x >= CANVAS || src[col] == 0) continue;
            uint8_t* px = canvas + (long(y) * CANVAS + x) * 4;
            uint8_t v = uint8_t(255 - src[col]);
            for (int k = 0; k < 3; ++k)
                px[k] = px[k] < v ? px[k] : v;
        }
    }
}

// Scales face so that its cell is height pixels; the baseline row of a cell
// whose top is row 0 goes to baseline.
bool setCellHeight(FT_Face face, uint16_t height, int& baseline) {
    long cell, ascent;
    cellMetrics(face, cell, ascent);
    FT_F26Dot6 em = FT_F26Dot6(double(height) * face->units_per_EM / cell * 64 + 0.5);
    baseline = int((long(height) * ascent + cell / 2) / cell);
    return FT_Set_Char_Size(face, 0, em, 72, 72) == 0;
}

void drawGlyph(Glyph glyph, uint16_t height, uint8_t* canvas) {
    int baseline;
    if (!setCellHeight(glyph.face, height, baseline)) return;
    if (FT_Load_Glyph(glyph.face, glyph.index, FT_LOAD_RENDER) != 0) return;
    FT_GlyphSlot g = glyph.face->glyph;
    const long pen = (CANVAS - (g->advance.x >> 6)) / 2 * 64;
    paintGlyph(g->bitmap, int(pen >> 6) + g->bitmap_left, baseline - g->bitmap_top, canvas);
}

void drawLine(const LoadedFace& f, const char* text, uint16_t height, uint8_t* canvas) {
    FT_Face face = f.face;
    int baseline;
    if (!setCellHeight(face, height, baseline)) return;
    long width = 0;
    for (const char* c = text; *c; ++c)
        if (FT_Load_Glyph(face, glyphIndex(f, uint8_t(*c)), FT_LOAD_DEFAULT) == 0)
            width += face->glyph->advance.x;
    long pen = (CANVAS - (width >> 6)) / 2 * 64;
    for (const char* c = text; *c; ++c) {
        if (FT_Load_Glyph(face, glyphIndex(f, uint8_t(*c)), FT_LOAD_RENDER) != 0) continue;
        FT_GlyphSlot g = face->glyph;
        paintGlyph(g->bitmap, int(pen >> 6) + g->bitmap_left, baseline - g->bitmap_top, canvas);
        pen += g->advance.x;
    }
}

} // namespace

void platformRenderText(const char* text, uint16_t height, const char* face, uint8_t* canvas) {
    // White canvas: the first row pixel by pixel, the others copies of it.
    const uint8_t white[4] = {255, 255, 255, 0};
    for (long i = 0; i < CANVAS; ++i)
        std::memcpy(canvas + 4 * i, white, 4);
    for (long row = 1; row < CANVAS; ++row)
        std::memcpy(canvas + 4 * CANVAS * row, canvas, 4 * CANVAS);
    start();
    const LoadedFace* f = loadFace(face);
    if (height == 0) return;
    const Glyph symbol = text[0] && !text[1] ? symbolFallback(face, *f, uint8_t(text[0])) : Glyph{};
    if (symbol.face) {
        drawGlyph(symbol, height, canvas);
    } else if (f->face) {
        drawLine(*f, text, height, canvas);
    }
}
