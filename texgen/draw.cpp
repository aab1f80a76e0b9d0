// Lines, strokes, glows, flood fill, alpha halo, shifts and scaling.
#include "texgen/ops.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t LINE_COLOUR = 0xFFFFFFFFu;

// Positions outside the unit square do not occur in the recipes; lines and
// windows computed from them are kept to the image all the same.
int truncClamped(double v) {
    constexpr double LIMIT = 1 << 24;
    if (!(v >= -LIMIT)) return -int(LIMIT);
    return v > LIMIT ? int(LIMIT) : int(v);
}

void plot(int64_t x, int64_t y, uint32_t colour) {
    if (x >= 0 && x < TEX_SIZE && y >= 0 && y < TEX_SIZE) currentLayer()[y * TEX_SIZE + x] = colour;
}

// Pixel range [first, end) of the window around [lo, hi] widened by r.
struct Span {
    int first, end;
};

Span segmentSpan(double a, double b, double r) {
    double lo = std::min(a, b), hi = std::max(a, b);
    int first = truncClamped(std::max(0.0, (lo - r) * 1024));
    int end = std::min(1024, truncClamped((hi + r) * 1024 + 1));
    return {first, end};
}

Span discSpan(int c, double radius) {
    int first = truncClamped(std::max(c - radius, 0.0));
    double limit = std::min(c + radius, 1024.0);
    return {first, truncClamped(std::ceil(limit))};
}

// Calls cover(pixel, distance) for every window pixel of a one-point list
// (a disc about the exact point) whose distance is below r.
template <typename Cover> void forDisc(const double* p, double r, Cover cover) {
    int cx = truncClamped(p[0] * 1024), cy = truncClamped(p[1] * 1024);
    double radius = r * 1024;
    Span si = discSpan(cx, radius), sj = discSpan(cy, radius);
    uint32_t* px = currentLayer();
    for (int i = si.first; i < si.end; ++i) {
        double qx = p[0] - i / 1024.0;
        for (int j = sj.first; j < sj.end; ++j) {
            double qy = p[1] - j / 1024.0;
            double d = std::sqrt(qx * qx + qy * qy);
            if (r > d) cover(px[j * TEX_SIZE + i], d);
        }
    }
}

// Calls cover(pixel, distance) for the window pixels of segment a-b closer
// than r (strictly). A zero-length segment covers nothing.
template <typename Cover> void forSegment(const double* a, const double* b, double r, Cover cover) {
    double dx = b[0] - a[0], dy = b[1] - a[1];
    double len2 = dx * dx + dy * dy;
    if (len2 == 0) return;
    double len = std::sqrt(len2);
    Span si = segmentSpan(a[0], b[0], r), sj = segmentSpan(a[1], b[1], r);
    uint32_t* px = currentLayer();
    for (int i = si.first; i < si.end; ++i) {
        double qx = i / 1024.0 - a[0];
        for (int j = sj.first; j < sj.end; ++j) {
            double qy = j / 1024.0 - a[1];
            double s = (qx * dx + qy * dy) / len2;
            double d;
            if (s < 0) {
                d = std::sqrt(qx * qx + qy * qy);
            } else if (s > 1) {
                double ex = i / 1024.0 - b[0], ey = j / 1024.0 - b[1];
                d = std::sqrt(ex * ex + ey * ey);
            } else {
                d = std::fabs((qy * dx - qx * dy) / len);
            }
            if (!(r > d)) continue;
            cover(px[j * TEX_SIZE + i], d);
        }
    }
}

template <typename Cover>
void forPolyline(const double (*points)[2], int n, double r, Cover cover) {
    if (n == 1) {
        forDisc(points[0], r, cover);
        return;
    }
    for (int k = 1; k < n; ++k)
        forSegment(points[k - 1], points[k], r, cover);
}

} // namespace

void drawLine(double x0, double y0, double x1, double y1) {
    int64_t X0 = truncClamped(1023 * x0), Y0 = truncClamped(1023 * y0);
    int64_t X1 = truncClamped(1023 * x1), Y1 = truncClamped(1023 * y1);
    if (X1 < X0) std::swap(X0, X1), std::swap(Y0, Y1);
    if (X0 != X1)
        for (int64_t X = X0; X <= X1; ++X)
            plot(X, Y0 + (Y1 - Y0) * (X - X0) / (X1 - X0), LINE_COLOUR);
    if (Y1 < Y0) std::swap(X0, X1), std::swap(Y0, Y1);
    if (Y0 != Y1)
        for (int64_t Y = Y0; Y <= Y1; ++Y)
            plot(X0 + (X1 - X0) * (Y - Y0) / (Y1 - Y0), Y, LINE_COLOUR);
}

void drawPolyline(const double (*points)[2], int n) {
    for (int k = 1; k < n; ++k)
        drawLine(points[k - 1][0], points[k - 1][1], points[k][0], points[k][1]);
}

void strokePolyline(const double (*points)[2], int n, uint32_t colour, double r) {
    forPolyline(points, n, r, [colour](uint32_t& p, double) { p = colour; });
}

void glowPolyline(const double (*points)[2], int n, uint32_t colour, double r) {
    uint32_t rgb = colour & 0x00FFFFFFu;
    forPolyline(points, n, r, [rgb, r](uint32_t& p, double d) {
        uint32_t a = uint32_t((r - d) * 255 / r);
        p = overPixel(p, rgb | (a << 24));
    });
}

namespace {

// Pending run starts of the scanline fill: each filled pixel pushes at most
// its upper and lower neighbour, so twice the pixel count always suffices.
uint32_t fillStack[2 * PIXEL_COUNT + 1];

void fillRuns(uint32_t* p, int x0, int x1, int y, uint32_t target, int& top) {
    if (y < 0 || y >= TEX_SIZE) return;
    const uint32_t* row = p + y * TEX_SIZE;
    for (int x = x0; x <= x1; ++x) {
        if (row[x] != target) continue;
        fillStack[top++] = uint32_t(y * TEX_SIZE + x);
        while (x <= x1 && row[x] == target)
            ++x;
    }
}

} // namespace

void floodFill(double x, double y, uint32_t colour) {
    double fx = std::nearbyint(1023 * x), fy = std::nearbyint(1023 * y);
    if (!(fx >= 0 && fx < TEX_SIZE && fy >= 0 && fy < TEX_SIZE)) return; // seed off the image
    int sx = int(fx), sy = int(fy);
    uint32_t* p = currentLayer();
    uint32_t target = p[sy * TEX_SIZE + sx];
    // Recolouring to the same value changes nothing.
    if (colour == target) return;
    int top = 0;
    fillStack[top++] = uint32_t(sy * TEX_SIZE + sx);
    while (top > 0) {
        uint32_t index = fillStack[--top];
        if (p[index] != target) continue;
        int row = int(index / TEX_SIZE), left = int(index % TEX_SIZE), right = left;
        uint32_t* line = p + row * TEX_SIZE;
        while (left > 0 && line[left - 1] == target)
            --left;
        while (right < TEX_SIZE - 1 && line[right + 1] == target)
            ++right;
        for (int i = left; i <= right; ++i)
            line[i] = colour;
        fillRuns(p, left, right, row - 1, target, top);
        fillRuns(p, left, right, row + 1, target, top);
    }
}

namespace {

// The alpha plane in the shared scratch area.
int16_t* spreadPlane() {
    static_assert(PIXEL_COUNT * sizeof(int16_t) <= sizeof layerScratch);
    return reinterpret_cast<int16_t*>(layerScratch);
}

void relax(int16_t& v, int neighbour, int cost) {
    if (neighbour - cost > v) v = int16_t(neighbour - cost);
}

// One raster sweep; dir = +1 forward (from the left and the row above),
// -1 backward (from the right and the row below).
void chamferSweep(int dir, int step, int diagonal) {
    int yStart = dir > 0 ? 0 : TEX_SIZE - 1, xStart = yStart;
    for (int y = yStart; y >= 0 && y < TEX_SIZE; y += dir) {
        int16_t* row = spreadPlane() + y * TEX_SIZE;
        const int16_t* prev = (y - dir >= 0 && y - dir < TEX_SIZE) ? row - dir * TEX_SIZE : nullptr;
        for (int x = xStart; x >= 0 && x < TEX_SIZE; x += dir) {
            int16_t& v = row[x];
            if (x - dir >= 0 && x - dir < TEX_SIZE) relax(v, row[x - dir], step);
            if (!prev) continue;
            relax(v, prev[x], step);
            if (x > 0) relax(v, prev[x - 1], diagonal);
            if (x < TEX_SIZE - 1) relax(v, prev[x + 1], diagonal);
        }
    }
}

} // namespace

void spreadAlpha(double r) {
    if (r <= 0.00001) return;
    int step = int(255 / r / 1024);
    int diagonal = step * 3 / 2;
    uint32_t* p = currentLayer();
    for (int i = 0; i < PIXEL_COUNT; ++i)
        spreadPlane()[i] = int16_t(p[i] >> 24);
    chamferSweep(1, step, diagonal);
    chamferSweep(-1, step, diagonal);
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = withChannel(p[i], CH_A, uint32_t(spreadPlane()[i]));
}

namespace {

// The shifted image is assembled in the shared scratch area, rows rotated on
// the way, and copied back.
uint32_t* shiftScratch() {
    return reinterpret_cast<uint32_t*>(layerScratch);
}

int wrapShift(double d) {
    return ((truncClamped(1023 * d) % TEX_SIZE) + TEX_SIZE) % TEX_SIZE;
}

} // namespace

void shiftLayer(double dx, double dy) {
    uint32_t* p = currentLayer();
    int sx = wrapShift(dx), sy = wrapShift(dy);
    if (sx == 0 && sy == 0) return;
    size_t head = sizeof(uint32_t) * size_t(TEX_SIZE - sx), tail = sizeof(uint32_t) * size_t(sx);
    for (int y = 0; y < TEX_SIZE; ++y) {
        const uint32_t* from = p + y * TEX_SIZE;
        uint32_t* to = shiftScratch() + ((y + sy) & (TEX_SIZE - 1)) * TEX_SIZE;
        std::memcpy(to + sx, from, head);            // pixel x moves to x + sx ...
        std::memcpy(to, from + TEX_SIZE - sx, tail); // ... wrapping past the right edge
    }
    std::memcpy(p, shiftScratch(), sizeof(ImageLayer));
}

void halveLayer() {
    uint32_t* p = currentLayer();
    for (int y = 0; y < TEX_SIZE / 2; ++y)
        for (int x = 0; x < TEX_SIZE / 2; ++x)
            p[y * TEX_SIZE + x] = p[2 * y * TEX_SIZE + 2 * x];
    for (int y = 0; y < TEX_SIZE / 2; ++y)
        std::memset(p + y * TEX_SIZE + TEX_SIZE / 2, 0, sizeof(uint32_t) * TEX_SIZE / 2);
    std::memset(p + PIXEL_COUNT / 2, 0, sizeof(uint32_t) * PIXEL_COUNT / 2);
}

void doubleLayer() {
    uint32_t* p = currentLayer();
    for (int y = TEX_SIZE - 1; y >= 0; --y)
        for (int x = TEX_SIZE - 1; x >= 0; --x)
            p[y * TEX_SIZE + x] = p[(y / 2) * TEX_SIZE + x / 2];
}

void scaleLayer(int n) {
    for (; n < 0; ++n)
        halveLayer();
    for (; n > 0; --n)
        doubleLayer();
}
