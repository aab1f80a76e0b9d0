// Text service on GDI: one line drawn with a system font into an off-screen
// bitmap compatible with the screen, read back as 32-bit top-down rows.
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
    // Single line, centred, top at row 0; '&' is drawn as itself.
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
