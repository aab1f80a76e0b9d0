#include "tests/texgen/oracles.h"
#include "texgen/ops.h"
#include <algorithm>
#include <cmath>

uint32_t overPixelReference(uint32_t dst, uint32_t src) {
    uint32_t a = src >> 24, out = 0;
    for (int k = 0; k < 3; ++k)
        out |= ((channelOf(dst, k) * (255 - a) + channelOf(src, k) * a) / 255) << (8 * k);
    return out | (std::max(dst >> 24, a) << 24);
}

namespace {
uint8_t visited[PIXEL_COUNT];
}

void floodFillReference(double x, double y, uint32_t colour) {
    uint32_t* p = currentLayer();
    int sx = int(std::nearbyint(1023 * x)), sy = int(std::nearbyint(1023 * y));
    uint32_t target = p[sy * TEX_SIZE + sx];
    std::fill(visited, visited + PIXEL_COUNT, 0);
    p[sy * TEX_SIZE + sx] = colour;
    visited[sy * TEX_SIZE + sx] = 1;
    int x0 = sx, x1 = sx, y0 = sy, y1 = sy;
    bool changed = true;
    while (true) {
        x0 = std::max(0, x0 - 1), y0 = std::max(0, y0 - 1);
        x1 = std::min(TEX_SIZE - 1, x1 + 1), y1 = std::min(TEX_SIZE - 1, y1 + 1);
        if (!changed) break;
        changed = false;
        for (int i = x0; i <= x1; ++i) {
            for (int j = y0; j <= y1; ++j) {
                int k = j * TEX_SIZE + i;
                if (visited[k] || p[k] != target) continue;
                bool next = (i > 0 && visited[k - 1]) || (i < TEX_SIZE - 1 && visited[k + 1]) ||
                            (j > 0 && visited[k - TEX_SIZE]) ||
                            (j < TEX_SIZE - 1 && visited[k + TEX_SIZE]);
                if (!next) continue;
                visited[k] = 1;
                p[k] = colour;
                changed = true;
            }
        }
    }
}

void spreadAlphaReference(double r) {
    if (r <= 0.00001) return;
    int step = int(255 / r / 1024), diagonal = step * 3 / 2;
    uint32_t* p = currentLayer();
    auto alpha = [p](int i, int j) { return int(p[j * TEX_SIZE + i] >> 24); };
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = 0; i < TEX_SIZE; ++i) {
            for (int j = 0; j < TEX_SIZE; ++j) {
                int b = alpha(i, j);
                for (int dj = -1; dj <= 1; ++dj) {
                    for (int di = -1; di <= 1; ++di) {
                        int ni = i + di, nj = j + dj;
                        if ((di == 0 && dj == 0) || ni < 0 || nj < 0 || ni >= TEX_SIZE ||
                            nj >= TEX_SIZE)
                            continue;
                        int cost = (di != 0 && dj != 0) ? diagonal : step;
                        b = std::max(b, alpha(ni, nj) - cost);
                    }
                }
                if (b > alpha(i, j)) {
                    p[j * TEX_SIZE + i] = withChannel(p[j * TEX_SIZE + i], CH_A, uint32_t(b));
                    changed = true;
                }
            }
        }
    }
}

void randomWalkReference(int walkers, int stepDiv) {
    int n = 1024 / stepDiv;
    uint32_t* p = currentLayer();
    for (int w = 0; w < walkers; ++w) {
        for (int ch = 0; ch < 3; ++ch) {
            uint32_t x = nextRandom() % 1024;
            uint32_t y = nextRandom() % 1024;
            for (uint32_t k = 255; k >= 1; --k) {
                for (int s = 0; s < n; ++s) {
                    switch (nextRandom() % 4) {
                    case 0:
                        x = (x + 1) % 1024;
                        break;
                    case 1:
                        x = (x + 1023) % 1024;
                        break;
                    case 2:
                        y = (y + 1) % 1024;
                        break;
                    case 3:
                        y = (y + 1023) % 1024;
                        break;
                    }
                    uint32_t& px = p[y * 1024 + x];
                    uint32_t b = channelOf(px, ch);
                    if (b + 1 < k) px = withChannel(px, ch, b + 1);
                }
            }
        }
    }
}

namespace {
float field[PIXEL_COUNT][2];
double fadeRef(double t) {
    return t * t * t * (6 * t * t - 15 * t + 10);
}
double fadeLerpRef(double a, double b, double t) {
    return a + (b - a) * fadeRef(t);
}
} // namespace

void gradientNoiseReference(int startFrequency) {
    fillLayer(0x00800000);
    float amplitude = 256.0f;
    uint32_t* p = currentLayer();
    for (int f = startFrequency; f < 1024; f *= 2) {
        for (int e = 0; e < PIXEL_COUNT; ++e) {
            float gx, gy, q;
            do {
                gx = float(nextRandom() % 32768) / 16384 - 1;
                gy = float(nextRandom() % 32768) / 16384 - 1;
                q = gx * gx + gy * gy;
            } while (q > 1 || q < 0.125f);
            field[e][0] = gx / q;
            field[e][1] = gy / q;
        }
        for (int i = 0; i < PIXEL_COUNT; ++i) {
            int x = i % 1024, y = i / 1024;
            float fx = float(x * f) / 1024, fy = float(y * f) / 1024;
            int ix = int(fx), iy = int(fy);
            float tx = fx - float(ix), ty = fy - float(iy);
            auto c = [&](int a, int b) {
                const float* g = field[(a % f) + 1024 * (b % f)];
                return (fx - float(a)) * g[0] + (fy - float(b)) * g[1];
            };
            float top = float(fadeLerpRef(c(ix, iy), c(ix + 1, iy), tx));
            float bottom = float(fadeLerpRef(c(ix, iy + 1), c(ix + 1, iy + 1), tx));
            float v = float(fadeLerpRef(top, bottom, ty));
            p[i] = uint32_t(int32_t(p[i]) + int32_t(v * amplitude));
        }
        amplitude /= 2;
    }
}

bool allPixelsAre(const uint32_t* layer, uint32_t value) {
    for (int i = 0; i < PIXEL_COUNT; ++i)
        if (layer[i] != value) return false;
    return true;
}

uint64_t hashPixels(const uint32_t* pixels, int count) {
    uint64_t h = 1469598103934665603ull;
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < 4; ++k) {
            h ^= channelOf(pixels[i], k);
            h *= 1099511628211ull;
        }
    }
    return h;
}

void freshGenerator() {
    resetStack();
    rng = XORSHIFT96_START;
}
