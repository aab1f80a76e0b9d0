#include "synth/fpmath.h"
#include "synth/genmus.h"
#include "synth/song.h"
#include "synth/synth.h"
#include "synth/wforms.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

SongLayout song;

class Voice : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        buildWaveforms();
        decodeSong(songStreams(), song);
    }
    static void prepare(WorkerState& ws, int32_t worker, uint32_t instrument) {
        ws.worker = worker;
        ws.params = song.instruments[instrument].params;
    }
    static const PitchGroupInfo& group(uint32_t instrument, uint32_t g) {
        return song.groups[song.instruments[instrument].firstGroup + g];
    }
};

TEST(LayerRandom, RotatesAndDecrements) {
    uint32_t state = 0;
    EXPECT_EQ(layerRandom(state), 0);
    EXPECT_EQ(state, 0xFFFFFFFFu);
    EXPECT_EQ(layerRandom(state), -1);
    EXPECT_EQ(state, 0xFFFFFFFEu);
    state = 0x12345678u; // rotate right by 24
    EXPECT_EQ(layerRandom(state), 0x5678);
    EXPECT_EQ(state, 0x34567812u - 1u);
    state = 0x0001FFFFu; // rotate right by 31
    EXPECT_EQ(layerRandom(state), -1);
    EXPECT_EQ(state, 0x0003FFFEu - 1u);
}

TEST_F(Voice, SilentModulatorGivesPlainOscillator) {
    WorkerState& ws = vars[0];
    prepare(ws, 0, 1);
    ws.params.modulatorWave = 5;
    ws.params.carrierWave = 1;
    ws.params.depth = 40 * 4096.0f;
    ws.params.carrierSweepRate = 0;
    ws.random = 7;
    std::memset(ws.layerBuffer, 0, 20001 * sizeof(float));
    const double step = 163.469;
    mklayer(ws, step, 20000);
    double pc = 0, ratio = exp2Portable(ws.params.carrierSweep);
    for (uint32_t k = 0; k < 20000; ++k) {
        ASSERT_EQ(ws.layerBuffer[k], wforms[waveTableSize + roundLow16(pc)]) << k;
        pc += step * ratio;
    }
    EXPECT_EQ(ws.layerBuffer[20000], 0.0f);
}

TEST_F(Voice, ZeroSweepRatesKeepRatios) {
    WorkerState& ws = vars[0];
    prepare(ws, 0, 2); // instrument 2: sweep-rate bytes 0
    ws.random = 1;
    mklayer(ws, 100.0, 50000);
    EXPECT_NEAR(ws.vars.carrierRatio, exp2Portable(ws.params.carrierSweep), 1e-14);
    EXPECT_NEAR(ws.vars.modulatorRatio, exp2Portable(ws.params.modulatorSweep), 1e-14);
    // instrument 0: a falling carrier sweep glides towards 1
    prepare(ws, 0, 0);
    mklayer(ws, 100.0, 200000);
    EXPECT_GT(exp2Portable(ws.params.carrierSweep), 1.5);
    EXPECT_NEAR(ws.vars.carrierRatio, 1.0, 1e-6);
}

TEST_F(Voice, EnvelopeSegmentReachesTarget) {
    WorkerState& ws = vars[0];
    prepare(ws, 0, 0);
    for (uint32_t k = 0; k < 100000; ++k)
        ws.layerBuffer[k] = 0.5f;
    ws.vars.driveFactor = 1.0;
    EnvelopeState env{1.0, 0.0, 0};
    adsr(ws, env, 1.0, 1722);
    EXPECT_NEAR(env.level, 1.0, 1e-12);
    EXPECT_EQ(env.at, 1722u);
    adsr(ws, env, -0.25, 999);
    EXPECT_NEAR(env.level, -0.25, 1e-12);
    adsr(ws, env, 0.0, 5000);
    // with no drive the saturator is the identity: y = x * a * v
    EXPECT_EQ(envelopeBuffer(ws)[1], float(0.5 * (1.0 / 1722.0)));
    EXPECT_NEAR(env.level, 0.0, 1e-12);
    // the tail after a release that ended at (about) 0 writes (about) zeros
    adsr(ws, env, 0.0, 32767);
    for (uint32_t k = env.at - 32767; k < env.at; ++k)
        ASSERT_LE(std::fabs(envelopeBuffer(ws)[k]), 1e-12f) << k;
}

TEST_F(Voice, SaturatorLimitsLargeSignals) {
    WorkerState& ws = vars[0];
    prepare(ws, 0, 0);
    ws.vars.driveFactor = 4.0;
    for (uint32_t k = 0; k < 4; ++k)
        ws.layerBuffer[k] = float(k) - 1.5f; // -1.5 ... 1.5
    ws.layerBuffer[4] = 1.0f;
    EnvelopeState env{1.0, 1.0, 0};
    adsr(ws, env, 1.0, 5);
    const float* y = envelopeBuffer(ws);
    EXPECT_EQ(y[4], 1.0f); // +-1 stays +-1
    EXPECT_NEAR(y[2], 0.5 * std::sqrt(4.0 / (1.0 + 3.0 * 0.25)), 1e-7);
    EXPECT_LT(std::fabs(y[0]), std::sqrt(4.0 / 3.0));
    EXPECT_EQ(y[0], -y[3]);
}

TEST_F(Voice, NegativeVelocityNegatesTheNoteSample) {
    WorkerState& ws = vars[0];
    prepare(ws, 0, 2);
    renderLayers(ws, group(2, 0), bestLayerPath());
    NoteSampleInfo note = song.samples[song.instruments[2].firstSample];
    static float plus[300000], minus[300000];
    uint32_t n = renderEnvelope(ws, note);
    ASSERT_EQ(n, note.envLength);
    ASSERT_LE(note.frames, 300000u);
    decimate(envelopeBuffer(ws), n, ws.params.gain, plus);
    note.velocity = -127;
    renderEnvelope(ws, note);
    decimate(envelopeBuffer(ws), n, ws.params.gain, minus);
    float peak = 0;
    for (uint32_t m = 0; m < note.frames; ++m) {
        ASSERT_EQ(minus[m], -plus[m]) << m;
        peak = std::fmax(peak, std::fabs(plus[m]));
    }
    EXPECT_GT(peak, 0.05f);
}

TEST(Decimation, FirstSamplesUseTheLastTaps) {
    static float env[24 + 64];
    float* e = env + 24;
    e[0] = 1.0f;
    float out[16];
    decimate(e, 64, 0.5f, out);
    EXPECT_EQ(out[0], 0.5f * resamp[23]);
    EXPECT_EQ(out[1], 0.5f * resamp[19]);
    EXPECT_EQ(out[5], 0.5f * resamp[3]);
    EXPECT_EQ(out[6], 0.0f);
    std::memset(e, 0, 64 * sizeof(float));
    for (int k = 0; k < 64; ++k)
        e[k] = 1.0f;
    decimate(e, 64, 1.0f, out);
    EXPECT_EQ(out[10], 850.0f); // pass-band gain: the taps' sum
}

TEST(Decimation, MatchesTheScalarLoop) {
    static float env[24 + 4000];
    static float fast[1000], reference[1000];
    uint32_t x = 99;
    for (uint32_t k = 24; k < 24 + 4000; ++k) {
        x = x * 1664525u + 1013904223u;
        env[k] = float(int32_t(x) >> 8) * 0x1p-21f; // about -1 ... 1, all mantissa bits
    }
    for (uint32_t n : {1u, 4u, 15u, 16u, 17u, 18u, 19u, 100u, 3999u, 4000u}) {
        decimate(env + 24, n, 0.000488281f, fast);
        decimateScalar(env + 24, n, 0.000488281f, reference);
        ASSERT_EQ(std::memcmp(fast, reference, (n + 3) / 4 * sizeof(float)), 0) << n;
    }
}

TEST(Mixdown, BusValuesToPcm) {
    EXPECT_EQ(busToPcm(1.5f), 32767);
    EXPECT_EQ(busToPcm(-1.5f), -32767);
    EXPECT_EQ(busToPcm(0.5f), 16384); // 16383.5 to even
    EXPECT_EQ(busToPcm(-0.5f), -16384);
    EXPECT_EQ(busToPcm(1.0f), 32767);
    EXPECT_EQ(busToPcm(0.0f), 0);
    EXPECT_EQ(busToPcm(NAN), 0);
}

// The conversion of a whole channel, two frames at a time where the
// processor allows, against busToPcm: clipping, NaN, halfway cases and a tail.
TEST(Mixdown, ChannelConversionMatchesBusToPcm) {
    WorkerState& ws = vars[1];
    ws.worker = 2;
    const float special[] = {NAN,          INFINITY,      -INFINITY, 1.5f,     -1.5f, 1.0f,
                             -1.0f,        0.5f,          -0.5f,     0.0f,     -0.0f, 0.5f / 32767,
                             1.5f / 32767, -2.5f / 32767, 1e-30f,    0.999999f};
    uint32_t x = 7;
    for (uint32_t f = 0; f < musFrames; ++f) {
        x = x * 1664525u + 1013904223u;
        ws.mixBus[f] = f < 4096 ? special[f % 16] : float(int32_t(x)) * 0x1p-30f;
    }
    ws.mixBus[musFrames - 1] = -1.5f;
    convertChannel(ws);
    for (uint32_t f = 0; f < musFrames; ++f)
        ASSERT_EQ(MusBuf[2 * f + 1], busToPcm(ws.mixBus[f])) << f << " " << ws.mixBus[f];
}

TEST(Mixdown, SameTickTwiceDoublesTheNote) {
    static SongLayout two;
    two.instrumentCount = 1;
    two.instruments[0] = InstrumentInfo{};
    two.instruments[0].firstEvent = 0;
    two.instruments[0].eventCount = 3;
    two.events[0] = EventInfo{0, 0, 0};
    two.events[1] = EventInfo{0, 0, 0};
    two.events[2] = EventInfo{1, 4410, 1};
    WorkerState& ws = vars[1];
    std::memset(ws.mixBus, 0, 8820 * sizeof(float));
    const float note[5] = {0.25f, -0.5f, 0.125f, 1.0f, 0.75f};
    std::memcpy(ws.sampleStore, note, sizeof note);
    ws.sampleTable[0] = ws.sampleStore;
    ws.sampleTable[1] = ws.sampleStore + 3;
    ws.sampleTable[2] = ws.sampleStore + 5;
    mixInstrument(ws, two, 0);
    EXPECT_EQ(ws.mixBus[0], 0.5f);
    EXPECT_EQ(ws.mixBus[1], -1.0f);
    EXPECT_EQ(ws.mixBus[2], 0.25f);
    EXPECT_EQ(ws.mixBus[3], 0.0f);
    EXPECT_EQ(ws.mixBus[4410], 1.0f);
    EXPECT_EQ(ws.mixBus[4411], 0.75f);
    EXPECT_EQ(ws.mixBus[4412], 0.0f);
}

TEST_F(Voice, IdenticalInstrumentsRenderIdenticalNotes) {
    // instruments 6 and 9 share their parameter bytes; note 62 at 127/2 is
    // sample 2 of instrument 6 and sample 4 of instrument 9
    static float a[300000];
    WorkerState& ws = vars[0];
    prepare(ws, 0, 6);
    renderLayers(ws, group(6, 2), bestLayerPath());
    const NoteSampleInfo& n6 = song.samples[song.instruments[6].firstSample + 2];
    const NoteSampleInfo& n9 = song.samples[song.instruments[9].firstSample + 4];
    ASSERT_EQ(group(6, 2).note, 62u);
    ASSERT_EQ(group(9, 2).note, 62u);
    ASSERT_EQ(n6.length, n9.length);
    ASSERT_EQ(n6.frames, n9.frames);
    decimate(envelopeBuffer(ws), renderEnvelope(ws, n6), ws.params.gain, a);
    prepare(ws, 0, 9);
    renderLayers(ws, group(9, 2), bestLayerPath());
    decimate(envelopeBuffer(ws), renderEnvelope(ws, n9), ws.params.gain, ws.sampleStore);
    EXPECT_EQ(std::memcmp(a, ws.sampleStore, n6.frames * sizeof(float)), 0);
}

// Instrument 1 has one layer and no random detune or spread: both channels
// render the same note samples; instrument 0 differs between them.
TEST_F(Voice, SeedOnlyMattersWhereRandomIsUsed) {
    for (uint32_t instrument : {1u, 0u}) {
        prepare(vars[0], 0, instrument);
        prepare(vars[1], 2, instrument);
        renderInstrument(vars[0], song, instrument, bestLayerPath());
        renderInstrument(vars[1], song, instrument, bestLayerPath());
        uint32_t used = song.instruments[instrument].storeUsed;
        bool same =
            std::memcmp(vars[0].sampleStore, vars[1].sampleStore, used * sizeof(float)) == 0;
        EXPECT_EQ(same, instrument == 1) << instrument;
    }
}

// The fast layer paths against the sample-by-sample loop, for the first
// pitch group of every instrument (the sweeps, growing depths and phases far
// beyond 32 bits included).
TEST_F(Voice, FastLayerPathsMatchTheReferenceLoop) {
    static float reference[layerClearSize];
    for (LayerPath path : {LayerPath::batched, LayerPath::avx2, LayerPath::avx2Gather,
                           LayerPath::avx512, LayerPath::avx512Gather}) {
        if (!layerPathAvailable(path)) continue;
        for (uint32_t i = 0; i < song.instrumentCount; ++i) {
            const PitchGroupInfo& g = group(i, 0);
            prepare(vars[0], 2, i);
            renderLayers(vars[0], g, LayerPath::scalar);
            std::memcpy(reference, vars[0].layerBuffer, sizeof reference);
            LayerVars scalarVars = vars[0].vars;
            renderLayers(vars[0], g, path);
            ASSERT_EQ(std::memcmp(reference, vars[0].layerBuffer, sizeof reference), 0)
                << "instrument " << i << " path " << int(path);
            EXPECT_EQ(
                std::memcmp(&scalarVars.driveFactor, &vars[0].vars.driveFactor, 4 * sizeof(double)),
                0);
        }
    }
}

// The sweep ratios of a group are partly read back from what earlier groups
// of the instrument followed: groups one after another, shorter and longer
// than what is kept, as the reference loop computes them. Instrument 11's
// modulator sweep and instrument 7's two sweeps settle only after more
// samples than are kept.
TEST_F(Voice, FastLayerPathsFollowTheSweepsAcrossGroups) {
    static float reference[layerClearSize];
    LayerPath path = bestLayerPath();
    for (uint32_t instrument : {7u, 11u, 0u}) {
        const uint32_t groups = std::min(song.instruments[instrument].groupCount, 4u);
        for (uint32_t g = 0; g < groups; ++g) {
            prepare(vars[0], 0, instrument);
            renderLayers(vars[0], group(instrument, g), LayerPath::scalar);
            std::memcpy(reference, vars[0].layerBuffer, sizeof reference);
            const LayerVars expect = vars[0].vars;
            prepare(vars[1], 0, instrument);
            renderLayers(vars[1], group(instrument, g), path);
            ASSERT_EQ(std::memcmp(reference, vars[1].layerBuffer, sizeof reference), 0)
                << "instrument " << instrument << " group " << g;
            EXPECT_EQ(expect.carrierRatio, vars[1].vars.carrierRatio);
            EXPECT_EQ(expect.modulatorRatio, vars[1].vars.modulatorRatio);
        }
    }
}

// Every table in both roles, every path: with unit steps and no sweep the
// phase of sample k is k, so a run of one cycle reads every entry. Without
// depth the carrier reads entry k; with a depth of 2^30 the carrier index
// moves by 64 for one float step of the modulator, so any entry read wrong
// shows. Nine layers fill a vector and start another.
TEST_F(Voice, FastLayerPathsReadEveryTableEntryAlike) {
    static float reference[70000];
    PitchGroupInfo g{};
    g.step = 1.0;
    g.layerSamples = 70000;
    InstrumentParams p{};
    p.layerCount = 9;
    for (LayerPath path : {LayerPath::batched, LayerPath::avx2, LayerPath::avx2Gather,
                           LayerPath::avx512, LayerPath::avx512Gather}) {
        if (!layerPathAvailable(path)) continue;
        for (int32_t carrier = 0; carrier < waveTableCount; ++carrier)
            for (int32_t modulator = 0; modulator < waveTableCount; ++modulator)
                for (float depth : {0.0f, 0x1p30f}) {
                    p.carrierWave = carrier;
                    p.modulatorWave = modulator;
                    p.depth = depth;
                    vars[0].params = p;
                    vars[0].worker = 0;
                    renderLayers(vars[0], g, LayerPath::scalar);
                    std::memcpy(reference, vars[0].layerBuffer, sizeof reference);
                    renderLayers(vars[0], g, path);
                    ASSERT_EQ(std::memcmp(reference, vars[0].layerBuffer, sizeof reference), 0)
                        << "path " << int(path) << " carrier " << carrier << " modulator "
                        << modulator << " depth " << depth;
                }
    }
}

// A depth that grows without bound drives the carrier phase past 2^51, then
// to infinity and NaN: the fast paths hand such blocks to the exact rounding.
TEST_F(Voice, FastLayerPathsMatchOnRunawayPhases) {
    static float reference[layerClearSize];
    PitchGroupInfo g = group(5, 0);
    g.layerSamples = 60000;
    for (LayerPath path : {LayerPath::batched, LayerPath::avx2, LayerPath::avx2Gather,
                           LayerPath::avx512, LayerPath::avx512Gather}) {
        if (!layerPathAvailable(path)) continue;
        prepare(vars[0], 0, 5);
        vars[0].params.depthDecay = 0.02f; // depth doubles every 50 samples
        vars[0].params.layerCount = 19;    // a full and a partial batch
        renderLayers(vars[0], g, LayerPath::scalar);
        // the exact rounding really is needed: the depth ends infinite
        EXPECT_TRUE(std::isinf(vars[0].vars.depthNow));
        std::memcpy(reference, vars[0].layerBuffer, sizeof reference);
        renderLayers(vars[0], g, path);
        ASSERT_EQ(std::memcmp(reference, vars[0].layerBuffer, sizeof reference), 0)
            << "path " << int(path);
    }
}

} // namespace
