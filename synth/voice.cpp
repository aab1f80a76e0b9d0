#include "synth/voice.h"
#include "synth/fpmath.h"
#include "synth/song.h"
#include "synth/wforms.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
#include <immintrin.h>
#endif

int16_t layerRandom(uint32_t& state) {
    int16_t value = int16_t(uint16_t(state & 0xFFFFu));
    uint32_t turn = state & 31u;
    uint32_t rotated = turn == 0 ? state : (state >> turn) | (state << (32u - turn));
    state = rotated - 1u;
    return value;
}

void startLayer(WorkerState& ws, double step) {
    const InstrumentParams& p = ws.params;
    double r1 = layerRandom(ws.random);
    double r2 = layerRandom(ws.random);
    double r3 = layerRandom(ws.random);
    double cd = p.carrierDetune, md = p.modulatorDetune;
    LayerVars& v = ws.vars;
    v.carrierStep = step + r1 * (cd * cd);
    v.modulatorStep = step + r2 * (md * md);
    v.depthNow = r3 * double(p.depthSpread) + double(p.depth);
    v.carrierRatio = exp2Portable(p.carrierSweep);
    v.modulatorRatio = exp2Portable(p.modulatorSweep);
    v.carrierRatioFactor = exp2Portable(p.carrierSweepRate);
    v.modulatorRatioFactor = exp2Portable(p.modulatorSweepRate);
    v.depthFactor = exp2Portable(p.depthDecay);
    v.driveFactor = exp2Portable(p.drive);
    v.attackFactor = exp2Portable(p.attackTime);
    v.decayFactor = exp2Portable(p.decayTime);
    v.releaseFactor = exp2Portable(p.releaseTime);
}

void mklayer(WorkerState& ws, double step, uint32_t samples) {
    startLayer(ws, step);
    LayerVars& v = ws.vars;
    const float* carrier = wforms + uint32_t(ws.params.carrierWave) * waveTableSize;
    const float* modulator = wforms + uint32_t(ws.params.modulatorWave) * waveTableSize;
    double pc = 0, pm = 0;
    double depth = v.depthNow, cr = v.carrierRatio, mr = v.modulatorRatio;
    float* out = ws.layerBuffer;
    for (uint32_t k = 0; k < samples; ++k) {
        double qm = modulator[roundLow16(pm)];
        float qc = carrier[roundLow16(pc + depth * qm)];
        pc += v.carrierStep * cr;
        pm += v.modulatorStep * mr;
        depth = (depth + 1.0) - 1.0;
        cr = 1.0 + (cr - 1.0) * v.carrierRatioFactor;
        mr = 1.0 + (mr - 1.0) * v.modulatorRatioFactor;
        depth = depth * v.depthFactor;
        out[k] += qc;
    }
    v.depthNow = depth;
    v.carrierRatio = cr;
    v.modulatorRatio = mr;
}

void renderLayers(WorkerState& ws, const PitchGroupInfo& group, LayerPath path, uint32_t readEnd) {
    ws.random = 6021u * uint32_t(ws.worker) + ws.params.seed;
    const uint32_t written = std::min(group.layerSamples, layerClearSize);
    const uint32_t clearEnd = std::max(written, std::min(readEnd, layerClearSize));
    if (path == LayerPath::scalar || !layerPathAvailable(path)) {
        std::memset(ws.layerBuffer, 0, clearEnd * sizeof(float));
        for (int32_t l = 0; l < ws.params.layerCount; ++l)
            mklayer(ws, group.step, group.layerSamples);
    } else {
        // The batches write the layers' part themselves; only the rest is cleared.
        std::memset(ws.layerBuffer + written, 0, (clearEnd - written) * sizeof(float));
        renderLayersBatched(ws, group, path);
    }
    ws.layerSamples += uint64_t(ws.params.layerCount) * group.layerSamples;
}

namespace {

// One envelope segment from sample `n` on, sample by sample.
double adsrScalar(const float* in, float* out, uint32_t at, uint32_t n, uint32_t length,
                  double amplitude, double drive, double v, double slope) {
    for (; n < length; ++n) {
        uint32_t i = at + n;
        double s = double(in[i]) * amplitude * v;
        double y = s * std::sqrt(drive / (1.0 + (drive - 1.0) * (s * s)));
        out[i] = float(y);
        v += slope;
    }
    return v;
}

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
// Four samples per vector with the scalar loop's operations (IEEE division and
// square root give the same bits); the level still steps one addition at a time.
__attribute__((target("avx2"))) double adsrAvx2(const float* in, float* out, uint32_t at,
                                                uint32_t& n, uint32_t length, double amplitude,
                                                double drive, double v, double slope) {
    const __m256d amp = _mm256_set1_pd(amplitude), one = _mm256_set1_pd(1.0);
    const __m256d d = _mm256_set1_pd(drive), d1 = _mm256_set1_pd(drive - 1.0);
    for (; n + 4 <= length; n += 4) {
        const double v1 = v + slope, v2 = v1 + slope, v3 = v2 + slope;
        const __m256d level = _mm256_setr_pd(v, v1, v2, v3);
        v = v3 + slope;
        __m256d s =
            _mm256_mul_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(in + at + n)), amp), level);
        __m256d q = _mm256_div_pd(d, _mm256_add_pd(one, _mm256_mul_pd(d1, _mm256_mul_pd(s, s))));
        _mm_storeu_ps(out + at + n, _mm256_cvtpd_ps(_mm256_mul_pd(s, _mm256_sqrt_pd(q))));
    }
    return v;
}
#endif

} // namespace

void adsr(WorkerState& ws, EnvelopeState& env, double target, uint32_t length) {
    const double drive = ws.vars.driveFactor;
    const double slope = (target - env.level) / double(length);
    const float* in = ws.layerBuffer;
    float* out = envelopeBuffer(ws);
    double v = env.level;
    uint32_t n = 0;
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) v = adsrAvx2(in, out, env.at, n, length, env.amplitude, drive, v, slope);
#endif
    env.level = adsrScalar(in, out, env.at, n, length, env.amplitude, drive, v, slope);
    env.at += length;
}

uint32_t renderEnvelope(WorkerState& ws, const NoteSampleInfo& note) {
    EnvelopeState env{(double(note.velocity) * double(velfac)) / double(ws.params.layerCount), 0.0,
                      0};
    double sustainLevel = ws.params.sustainLevel;
    adsr(ws, env, 1.0, note.attack);
    adsr(ws, env, sustainLevel, note.decay);
    if (note.sustain > 0) adsr(ws, env, sustainLevel, note.sustain);
    adsr(ws, env, 0.0, note.release);
    adsr(ws, env, 0.0, uint32_t(finalamp));
    return env.at;
}

void decimateScalar(const float* envelope, uint32_t n, float gain, float* out, uint32_t from) {
    uint32_t frames = (n + 3) / 4;
    for (uint32_t m = from; m < frames; ++m) {
        const float* window = envelope + 4 * ptrdiff_t(m) - (resampTaps - 1);
        double sum = 0.0;
        for (int j = 0; j < resampTaps; ++j)
            sum += double(resamp[j]) * double(window[j]);
        out[m] = float(sum * double(gain));
    }
}

#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
// Four output frames per vector; each lane sums its taps in the same order as
// the scalar loop. Four windows of four taps are transposed so that one
// vector holds the same tap of four consecutive frames.
__attribute__((target("avx2"))) uint32_t decimateAvx2(const float* envelope, uint32_t n, float gain,
                                                      float* out) {
    uint32_t frames = (n + 3) / 4;
    const __m256d g = _mm256_set1_pd(gain);
    uint32_t m = 0;
    for (; m + 4 <= frames; m += 4) {
        const float* base = envelope + 4 * ptrdiff_t(m) - (resampTaps - 1);
        __m256d sum = _mm256_setzero_pd();
        for (int j = 0; j < resampTaps; j += 4) {
            __m128 r0 = _mm_loadu_ps(base + j), r1 = _mm_loadu_ps(base + j + 4);
            __m128 r2 = _mm_loadu_ps(base + j + 8), r3 = _mm_loadu_ps(base + j + 12);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(resamp[j]), _mm256_cvtps_pd(r0)));
            sum = _mm256_add_pd(sum,
                                _mm256_mul_pd(_mm256_set1_pd(resamp[j + 1]), _mm256_cvtps_pd(r1)));
            sum = _mm256_add_pd(sum,
                                _mm256_mul_pd(_mm256_set1_pd(resamp[j + 2]), _mm256_cvtps_pd(r2)));
            sum = _mm256_add_pd(sum,
                                _mm256_mul_pd(_mm256_set1_pd(resamp[j + 3]), _mm256_cvtps_pd(r3)));
        }
        _mm_storeu_ps(out + m, _mm256_cvtpd_ps(_mm256_mul_pd(sum, g)));
    }
    return m;
}
#endif

void decimate(const float* envelope, uint32_t n, float gain, float* out) {
    uint32_t done = 0;
#if (defined(__x86_64__) || defined(__i386__)) && !defined(INTRO_SIZE)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) done = decimateAvx2(envelope, n, gain, out);
#endif
    decimateScalar(envelope, n, gain, out, done);
}
