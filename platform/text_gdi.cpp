// Text service on GDI: one line drawn with a system font into an off-screen
// bitmap compatible with the screen, read back as 32-bit top-down rows. A
// one-character text in a symbol face without a real glyph for it (another
// face realised, a missing glyph, or the face's placeholder box) is drawn from
// the code's Unicode equivalent (platform/symbol_fallback.h).
#include "platform/font_cmap.h"
#include "platform/symbol_fallback.h"
#include "platform/text.h"
#include <cstring>
#include <windows.h>

namespace {

constexpr int canvasSize = 1024;

HFONT createFontIn(uint16_t height, const char* face, DWORD charset) {
    // A positive height asks for the cell height (ascent + descent).
    return CreateFontA(height, 0, 0, 0, 300, FALSE, FALSE, FALSE, charset, OUT_OUTLINE_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH, face);
}

bool selectedFaceIs(HDC dc, const char* face) {
    char selected[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, selected);
    return lstrcmpiA(selected, face) == 0;
}

// Selects the named face; symbol faces (some mappers pass them over for the
// default character set) are asked for again in the symbol set.
HFONT selectTextFont(HDC dc, uint16_t height, const char* face) {
    HFONT font = createFontIn(height, face, DEFAULT_CHARSET);
    if (font) SelectObject(dc, font);
    if (font && selectedFaceIs(dc, face)) return font;
    HFONT symbol = createFontIn(height, face, SYMBOL_CHARSET);
    if (!symbol) return font;
    SelectObject(dc, symbol);
    if (selectedFaceIs(dc, face)) {
        if (font) DeleteObject(font);
        return symbol;
    }
    // Neither matched: keep what the default character set gave.
    if (font) SelectObject(dc, font);
    DeleteObject(symbol);
    return font;
}

// Outlines of two glyphs of the selected font, for comparison.
uint8_t outlineA[1 << 16], outlineB[1 << 16];
// The character map of the selected font (Symbola's takes some 10 KiB).
uint8_t cmap[1 << 18];

// The glyph's outline at the selected size into buffer; its size in bytes,
// 0 when it draws nothing, -1 when it cannot be read or does not fit.
long glyphOutline(HDC dc, WORD index, uint8_t* buffer) {
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS metrics;
    const UINT format = GGO_NATIVE | GGO_GLYPH_INDEX;
    const DWORD size = GetGlyphOutlineA(dc, index, format, &metrics, 0, nullptr, &identity);
    if (size == GDI_ERROR || size > sizeof outlineA) return -1;
    if (size == 0) return 0;
    return GetGlyphOutlineA(dc, index, format, &metrics, size, buffer, &identity) == size
               ? long(size)
               : -1;
}

// Whether the selected font draws code with a glyph of its own: present in
// the face, not empty, and not the face's placeholder (glyph 0, the box that
// placeholder-only faces give every code).
bool realGlyph(HDC dc, uint8_t code) {
    const char text[1] = {char(code)};
    WORD index = 0xFFFF;
    if (GetGlyphIndicesA(dc, text, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR ||
        index == 0xFFFF || index == 0) {
        return false;
    }
    const long size = glyphOutline(dc, index, outlineA);
    if (size <= 0) return size < 0; // unreadable: trust the face
    return glyphOutline(dc, 0, outlineB) != size || std::memcmp(outlineA, outlineB, size) != 0;
}

// The glyph of codepoint in the selected font, 0 when it has none.
WORD unicodeGlyph(HDC dc, uint32_t codepoint) {
    if (codepoint < 0x10000) {
        const WCHAR text[1] = {WCHAR(codepoint)};
        WORD index = 0;
        const DWORD found = GetGlyphIndicesW(dc, text, 1, &index, GGI_MARK_NONEXISTING_GLYPHS);
        return found == GDI_ERROR || index == 0xFFFF ? 0 : index;
    }
    // Beyond 16 bits the text calls cannot name it: read the character map.
    const DWORD cmapTag = 'c' | 'm' << 8 | 'a' << 16 | 'p' << 24;
    DWORD size = GetFontData(dc, cmapTag, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0) return 0;
    if (size > sizeof cmap) size = sizeof cmap;
    if (GetFontData(dc, cmapTag, 0, cmap, size) != size) return 0;
    const uint32_t glyph = cmapGlyphIndex(cmap, size, codepoint);
    return glyph < 0x10000 ? WORD(glyph) : 0;
}

// Draws a symbol code's Unicode equivalent, centred with the top of its cell at
// row 0 as the line would be; false when the Unicode face or glyph is missing.
bool drawSymbolFallback(HDC dc, uint16_t height, const SymbolFallback& row) {
    HFONT font = createFontIn(height, row.unicodeFace, DEFAULT_CHARSET);
    if (!font) return false;
    HGDIOBJ previous = SelectObject(dc, font);
    const WORD glyph = selectedFaceIs(dc, row.unicodeFace) ? unicodeGlyph(dc, row.codepoint) : 0;
    ABC widths = {};
    if (glyph && GetCharABCWidthsI(dc, glyph, 1, nullptr, &widths)) {
        const int advance = widths.abcA + int(widths.abcB) + widths.abcC;
        ExtTextOutW(dc, (canvasSize - advance) / 2, 0, ETO_GLYPH_INDEX, nullptr,
                    reinterpret_cast<LPCWSTR>(&glyph), 1, nullptr);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    return glyph != 0;
}

// A one-character text in a symbol face that has no real glyph for it.
const SymbolFallback* neededFallback(HDC dc, const char* text, const char* face) {
    if (!text[0] || text[1]) return nullptr;
    const SymbolFallback* row = findSymbolFallback(face, uint8_t(text[0]));
    if (!row || (selectedFaceIs(dc, face) && realGlyph(dc, uint8_t(text[0])))) return nullptr;
    return row;
}

void readCanvas(HDC dc, HBITMAP bitmap, uint8_t* canvas) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = canvasSize;
    info.bmiHeader.biHeight = -canvasSize; // negative: rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(dc, bitmap, 0, canvasSize, canvas, &info, DIB_RGB_COLORS) != canvasSize)
        std::memset(canvas, 255, size_t(canvasSize) * canvasSize * 4); // blank white
}

} // namespace

void platformRenderText(const char* text, uint16_t height, const char* face, uint8_t* canvas) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, canvasSize, canvasSize);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);

    RECT area = {0, 0, canvasSize, canvasSize};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    HFONT font = selectTextFont(dc, height, face);
    const SymbolFallback* fallback = neededFallback(dc, text, face);
    // Single line, centred, top at row 0; '&' is drawn as itself.
    if (!fallback || !drawSymbolFallback(dc, height, *fallback))
        DrawTextA(dc, text, -1, &area, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);

    // The bitmap must not be selected into a context while it is read.
    SelectObject(dc, oldBitmap);
    readCanvas(dc, bitmap, canvas);

    if (font) DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}
