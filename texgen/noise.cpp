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

// Candidate vectors are consecutive pairs of random values, accepted when
// 0.125 <= gx^2 + gy^2 <= 1. Field entry e is the e-th accepted candidate.
struct Candidate {
    float gx, gy, q;
};

constexpr int CANDIDATE_BLOCK = 4096;

// Fills block with the next count candidates and packs the accepted ones to
// its front, in order; returns how many were accepted.
int acceptCandidates(LocalRng& r, Candidate* block, int count) {
    int accepted = 0;
    for (int i = 0; i < count; ++i) {
        float gx = gradientComponent(r.next());
        float gy = gradientComponent(r.next());
        float q = gx * gx + gy * gy;
        block[accepted] = {gx, gy, q};
        accepted += !(q > 1.0f || q < 0.125f);
    }
    return accepted;
}

void storeEntry(int index, const Candidate& c, int f) {
    if ((index & 1023) < f && (index >> 10) < f) {
        gradientField[index][0] = c.gx / c.q;
        gradientField[index][1] = c.gy / c.q;
    }
}

// Draws a gradient vector for every entry, in entry order, keeping those of
// the f x f lattice the octave reads.
void regenerateField(int f) {
    static Candidate block[CANDIDATE_BLOCK];
    LocalRng r = loadRng();
    int index = 0;
    // Whole blocks while they surely end before the last entry (every block
    // accepts at most its size), then one candidate at a time.
    while (PIXEL_COUNT - index >= CANDIDATE_BLOCK) {
        int accepted = acceptCandidates(r, block, CANDIDATE_BLOCK);
        for (int k = 0; k < accepted; ++k)
            storeEntry(index + k, block[k], f);
        index += accepted;
    }
    while (index < PIXEL_COUNT) {
        if (acceptCandidates(r, block, 1) == 1) storeEntry(index++, block[0], f);
    }
    storeRng(r);
}

// Lattice indices and offsets of every column (or row) at frequency f.
struct GradientAxis {
    int cell0[TEX_SIZE], cell1[TEX_SIZE]; // lattice corner a mod f and (a + 1) mod f
    float d0[TEX_SIZE], d1[TEX_SIZE];     // position minus a and minus a + 1
    double fade[TEX_SIZE];
};

void gradientAxis(GradientAxis& axis, int f) {
    for (int v = 0; v < TEX_SIZE; ++v) {
        float pos = float(v * f) / 1024.0f;
        int a = int(pos);
        axis.cell0[v] = a % f;
        axis.cell1[v] = (a + 1) % f;
        axis.d0[v] = pos - float(a);
        axis.d1[v] = pos - float(a + 1);
        axis.fade[v] = fade(double(pos - float(a)));
    }
}

float dot(const float* g, float dx, float dy) {
    return dx * g[0] + dy * g[1];
}

void addGradientOctave(int f, float amplitude) {
    static GradientAxis across, down;
    gradientAxis(across, f);
    gradientAxis(down, f);
    uint32_t* p = currentLayer();
    for (int y = 0; y < TEX_SIZE; ++y) {
        const float(*upper)[2] = gradientField + 1024 * down.cell0[y];
        const float(*lower)[2] = gradientField + 1024 * down.cell1[y];
        float dy0 = down.d0[y], dy1 = down.d1[y];
        double ty = down.fade[y];
        uint32_t* row = p + y * TEX_SIZE;
        for (int x = 0; x < TEX_SIZE; ++x) {
            int a0 = across.cell0[x], a1 = across.cell1[x];
            float dx0 = across.d0[x], dx1 = across.d1[x];
            double c00 = dot(upper[a0], dx0, dy0), c10 = dot(upper[a1], dx1, dy0);
            double c01 = dot(lower[a0], dx0, dy1), c11 = dot(lower[a1], dx1, dy1);
            double tx = across.fade[x];
            double top = float(c00 + (c10 - c00) * tx);
            double bottom = float(c01 + (c11 - c01) * tx);
            float v = float(top + (bottom - top) * ty);
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

namespace {

// Lattice cell and smoothed fraction of every column or row at one frequency.
struct ValueAxis {
    int cell[TEX_SIZE];
    double fade[TEX_SIZE];
};

void valueAxis(ValueAxis& axis, double freq) {
    for (int v = 0; v < TEX_SIZE; ++v) {
        double u = v * freq / 1024;
        double whole = std::floor(u);
        axis.cell[v] = int(whole);
        axis.fade[v] = fade(u - whole);
    }
}

// Row offset of the hash: trunc(255 * T[a mod 256]).
int hashOffset(int a) {
    return int(255 * hashTable[a & 255]);
}

void addValueOctave(double freq, double weight) {
    static ValueAxis across, down;
    static int offset0[TEX_SIZE], offset1[TEX_SIZE];
    valueAxis(across, freq);
    valueAxis(down, freq);
    for (int x = 0; x < TEX_SIZE; ++x) {
        offset0[x] = hashOffset(across.cell[x]);
        offset1[x] = hashOffset(across.cell[x] + 1);
    }
    uint32_t* p = currentLayer();
    for (int y = 0; y < TEX_SIZE; ++y) {
        int iy = down.cell[y];
        double ty = down.fade[y];
        uint32_t* row = p + y * TEX_SIZE;
        for (int x = 0; x < TEX_SIZE; ++x) {
            double h00 = hashTable[(iy + offset0[x]) & 255];
            double h01 = hashTable[(iy + 1 + offset0[x]) & 255];
            double h10 = hashTable[(iy + offset1[x]) & 255];
            double h11 = hashTable[(iy + 1 + offset1[x]) & 255];
            double left = h00 + (h01 - h00) * ty, right = h10 + (h11 - h10) * ty;
            double v = left + (right - left) * across.fade[x];
            row[x] += uint32_t(int32_t(std::nearbyint(268435455 * v * weight)));
        }
    }
}

} // namespace

// Hashed value noise, H(a, b) = T[(b + trunc(255 T[a])) mod 256]; it does not tile.
void valueNoise(double startFreq, int n) {
    double weight = 0.5, freq = startFreq;
    for (int octave = 0; octave < n; ++octave) {
        for (double& t : hashTable)
            t = randomUnit4096();
        addValueOctave(freq, weight);
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

namespace {

// The walks raise one byte each; they run on separate byte planes of the
// red, green and blue channel (in the shared scratch area), four times denser
// in cache than the layer.
uint8_t* walkPlane(int channel) {
    static_assert(3 * PIXEL_COUNT <= sizeof layerScratch);
    return reinterpret_cast<uint8_t*>(layerScratch) + channel * PIXEL_COUNT;
}

void splitPlanes(const uint8_t* bytes) {
    uint8_t *red = walkPlane(0), *green = walkPlane(1), *blue = walkPlane(2);
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        red[i] = bytes[4 * i];
        green[i] = bytes[4 * i + 1];
        blue[i] = bytes[4 * i + 2];
    }
}

void mergePlanes(uint8_t* bytes) {
    const uint8_t *red = walkPlane(0), *green = walkPlane(1), *blue = walkPlane(2);
    for (int i = 0; i < PIXEL_COUNT; ++i) {
        bytes[4 * i] = red[i];
        bytes[4 * i + 1] = green[i];
        bytes[4 * i + 2] = blue[i];
    }
}

// One walk, branch-free: the direction indexes the moves (y kept as the row
// offset), the comparison gives the increment.
void walk(LocalRng& r, uint8_t* plane, int n) {
    static constexpr uint32_t moveX[4] = {1, 1023, 0, 0}, moveY[4] = {0, 0, 1024, 1023 * 1024};
    uint32_t x = r.next() % 1024;
    uint32_t y = (r.next() % 1024) * 1024;
    for (uint32_t k = 255; k >= 1; --k) {
        uint32_t below = k - 1; // b + 1 < k
        for (int s = 0; s < n; ++s) {
            uint32_t d = r.next() & 3;
            x = (x + moveX[d]) & 1023;
            y = (y + moveY[d]) & (1023 * 1024);
            uint8_t& b = plane[y + x];
            b = uint8_t(b + (b < below));
        }
    }
}

} // namespace

void randomWalk(int walkers, int stepDiv) {
    int n = TEX_SIZE / stepDiv;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(currentLayer());
    splitPlanes(bytes);
    LocalRng r = loadRng();
    for (int w = 0; w < walkers; ++w)
        for (int ch = 0; ch < 3; ++ch)
            walk(r, walkPlane(ch), n);
    storeRng(r);
    mergePlanes(bytes);
}
