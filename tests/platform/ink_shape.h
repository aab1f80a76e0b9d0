// The shape of the ink in part of a grey-scale rendering: enough to tell a
// drawn symbol from a font's placeholder box (a hollow frame or a solid
// block) and two symbols from each other.
#pragma once
#include <algorithm>

struct InkShape {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // ink bounds
    long ink = 0;                                               // dark pixels
    long innerInk = 0; // of those, inside the middle half of the bounds (each way)
};

// dark(x, y) tells whether a pixel is ink; the area is [x0, x1) x [y0, y1).
template <typename Dark> InkShape inkShape(int x0, int y0, int x1, int y1, Dark dark) {
    InkShape s;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (dark(x, y)) {
                ++s.ink;
                s.left = std::min(s.left, x), s.right = std::max(s.right, x);
                s.top = std::min(s.top, y), s.bottom = std::max(s.bottom, y);
            }
    if (s.ink == 0) return s;
    const int w = s.right - s.left + 1, h = s.bottom - s.top + 1;
    for (int y = s.top + h / 4; y < s.bottom + 1 - h / 4; ++y)
        for (int x = s.left + w / 4; x < s.right + 1 - w / 4; ++x)
            s.innerInk += dark(x, y);
    return s;
}

// A frame with nothing in its middle, or a block that fills its bounds.
inline bool looksLikeABox(const InkShape& s) {
    const long area = long(s.right - s.left + 1) * (s.bottom - s.top + 1);
    return s.ink == 0 || s.innerInk * 50 < area / 4 || s.ink * 10 > area * 9;
}

// Pixels inked in one of two equal areas (at x0a and x0b, same rows) but not
// at the same place in the other, as a fraction of the ink of both.
template <typename Dark>
double inkDifference(int x0a, int x0b, int width, int y0, int y1, Dark dark) {
    long differing = 0, ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x) {
            const bool a = dark(x0a + x, y), b = dark(x0b + x, y);
            ink += a + b;
            differing += a != b;
        }
    return ink ? double(differing) / double(ink) : 0.0;
}
