// Text service on GDI: one line drawn with a system font into an off-screen
// bitmap compatible with the screen, read back as 32-bit top-down rows.
#include "platform/text.h"
#include <windows.h>

namespace {

constexpr int canvasSize = 1024;

HFONT createTextFont(uint16_t height, const char* face) {
    // A positive height asks for the cell height (ascent + descent).
    return CreateFontA(height, 0, 0, 0, 300, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH,
                       face);
}

void readCanvas(HDC dc, HBITMAP bitmap, uint8_t* canvas) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = canvasSize;
    info.bmiHeader.biHeight = -canvasSize; // negative: rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bitmap, 0, canvasSize, canvas, &info, DIB_RGB_COLORS);
}

} // namespace

void platformRenderText(const char* text, uint16_t height, const char* face, uint8_t* canvas) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, canvasSize, canvasSize);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);

    RECT area = {0, 0, canvasSize, canvasSize};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    HFONT font = createTextFont(height, face);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    // Single line, centred, top at row 0; '&' is drawn as itself.
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if (oldFont) SelectObject(dc, oldFont);

    // The bitmap must not be selected into a context while it is read.
    SelectObject(dc, oldBitmap);
    readCanvas(dc, bitmap, canvas);

    if (font) DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}
