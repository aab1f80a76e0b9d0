// Gradient noise, value noise, normalisation, gradient map, random walks.
#include "texgen/ops.h"
#include <cmath>
#include <cstring>

namespace {

// Gradient field of the current octave; only the f x f entries it reads are stored.
float gradientField[PIXEL_COUNT][2];
double hashTable[256];

double fade(double t) {
    return t * t * t * (6 * t * t - 15 * t + 10);
}
double fadeLerp(double a, double b, double t) {
    return a + (b - a) * fade(t);
}

// The generator state in registers for the tight loops; written back by storeRng.
struct LocalRng {
    uint32_t x, y, z;
    uint32_t next() {
        uint32_t t = x;
        t ^= t << 16;
        t ^= t >> 5;
        t ^= t << 1;
        x = y;
        y = z;
        z = t ^ x ^ y;
        return z & 0xFFFF;
    }
};

LocalRng loadRng() {
    return {rng.x, rng.y, rng.z};
}
void storeRng(const LocalRng& r) {
    rng = {r.x, r.y, r.z};
}

float gradientComponent(uint32_t r) {
    return float(r % 32768) / 16384.0f - 1.0f;
}

// Draws a gradient vector for every entry, in entry order, keeping those of
// the f x f lattice the octave reads.
void regenerateField(int f) {
    LocalRng r = loadRng();
    for (int index = 0; index < PIXEL_COUNT; ++index) {
        float gx, gy, q;
        do {
            gx = gradientComponent(r.next());
            gy = gradientComponent(r.next());
            q = gx * gx + gy * gy;
        } while (q > 1.0f || q < 0.125f);
        if ((index & 1023) < f && (index >> 10) < f) {
            gradientField[index][0] = gx / q;
            gradientField[index][1] = gy / q;
        }
    }
    storeRng(r);
}

float corner(float fx, float fy, int a, int b, int f) {
    const float* g = gradientField[(a % f) + 1024 * (b % f)];
    return (fx - float(a)) * g[0] + (fy - float(b)) * g[1];
}

void addGradientOctave(int f, float amplitude) {
    static double fadeX[TEX_SIZE];
    for (int x = 0; x < TEX_SIZE; ++x) {
        float fx = float(x * f) / 1024.0f;
        fadeX[x] = fade(double(fx - float(int(fx))));
    }
    uint32_t* p = currentLayer();
    for (int y = 0; y < TEX_SIZE; ++y) {
        float fy = float(y * f) / 1024.0f;
        int iy = int(fy);
        double fadeY = fade(double(fy - float(iy)));
        uint32_t* row = p + y * TEX_SIZE;
        for (int x = 0; x < TEX_SIZE; ++x) {
            float fx = float(x * f) / 1024.0f;
            int ix = int(fx);
            double c00 = corner(fx, fy, ix, iy, f), c10 = corner(fx, fy, ix + 1, iy, f);
            double c01 = corner(fx, fy, ix, iy + 1, f), c11 = corner(fx, fy, ix + 1, iy + 1, f);
            double top = float(c00 + (c10 - c00) * fadeX[x]);
            double bottom = float(c01 + (c11 - c01) * fadeX[x]);
            float v = float(top + (bottom - top) * fadeY);
            row[x] += uint32_t(int32_t(v * amplitude));
        }
    }
}

} // namespace

void gradientNoise(int startFrequency) {
    fillLayer(0x00800000);
    float amplitude = 256.0f;
    for (int f = startFrequency; f < TEX_SIZE; f *= 2) {
        regenerateField(f);
        addGradientOctave(f, amplitude);
        amplitude /= 2;
    }
}

void valueNoise(double startFreq, int n) {
    double weight = 0.5, freq = startFreq;
    uint32_t* p = currentLayer();
    for (int octave = 0; octave < n; ++octave) {
        for (double& t : hashTable)
            t = randomUnit4096();
        auto hash = [](long a, long b) {
            long h = long(255 * hashTable[((a % 256) + 256) % 256]);
            return hashTable[(((b + h) % 256) + 256) % 256];
        };
        for (int x = 0; x < TEX_SIZE; ++x) {
            double u = x * freq / 1024;
            double ixd = std::floor(u);
            double tx = u - ixd;
            long ix = long(ixd);
            for (int y = 0; y < TEX_SIZE; ++y) {
                double w = y * freq / 1024;
                double iyd = std::floor(w);
                double ty = w - iyd;
                long iy = long(iyd);
                double left = fadeLerp(hash(ix, iy), hash(ix, iy + 1), ty);
                double right = fadeLerp(hash(ix + 1, iy), hash(ix + 1, iy + 1), ty);
                double v = fadeLerp(left, right, tx);
                p[y * TEX_SIZE + x] += uint32_t(int32_t(std::nearbyint(268435455 * v * weight)));
            }
        }
        weight /= 2;
        freq *= 2;
    }
}

void normaliseLayer() {
    uint32_t* p = currentLayer();
    uint32_t lo = 0xFFFFFFFFu, hi = 0;
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        lo = p[i] < lo ? p[i] : lo;
        hi = p[i] > hi ? p[i] : hi;
    }
    if (hi == lo) {
        std::memset(p, 0, sizeof(uint32_t) * PIXEL_COUNT);
        return;
    }
    uint64_t range = hi - lo;
    for (int i = 0; i < PIXEL_COUNT; ++i)
        p[i] = uint32_t(uint64_t(p[i] - lo) * 0xFFFFFFFFull / range);
}

void gradientMap(uint32_t a, uint32_t b) {
    normaliseLayer();
    uint32_t* p = currentLayer();
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        double t = p[i] / 4294967295.0;
        uint32_t out = 0;
        for (int k = 0; k < 4; ++k) {
            double v = channelOf(a, k) * (1 - t) + channelOf(b, k) * t;
            out |= uint32_t(v) << (8 * k);
        }
        p[i] = out;
    }
}

// Branch-free steps: a direction indexes the moves, a comparison the increment.
void randomWalk(int walkers, int stepDiv) {
    static constexpr uint32_t stepX[4] = {1, 1023, 0, 0}, stepY[4] = {0, 0, 1, 1023};
    int n = TEX_SIZE / stepDiv;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(currentLayer());
    LocalRng r = loadRng();
    for (int w = 0; w < walkers; ++w) {
        for (int ch = 0; ch < 3; ++ch) {
            uint32_t x = r.next() % 1024;
            uint32_t y = r.next() % 1024;
            uint8_t* plane = bytes + ch;
            for (uint32_t k = 255; k >= 1; --k) {
                for (int s = 0; s < n; ++s) {
                    uint32_t d = r.next() & 3;
                    x = (x + stepX[d]) & 1023;
                    y = (y + stepY[d]) & 1023;
                    uint8_t& b = plane[(y * TEX_SIZE + x) * 4];
                    b = uint8_t(b + (uint32_t(b) + 1 < k));
                }
            }
        }
    }
    storeRng(r);
}
