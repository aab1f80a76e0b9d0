#include "synth/decoder.h"
#include "synth/song.h"
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

SongLayout layout; // large: static

struct Streams {
    std::vector<int8_t> inst;
    std::vector<uint8_t> pos, samp;
};

Streams songCopy() {
    return Streams{std::vector<int8_t>(instdata, instdata + instdataSize),
                   std::vector<uint8_t>(notepos, notepos + noteposSize),
                   std::vector<uint8_t>(notesamp, notesamp + notesampSize)};
}

SynthError decode(const Streams& s) {
    decodeSong(
        {s.inst.data(), s.inst.size(), s.pos.data(), s.pos.size(), s.samp.data(), s.samp.size()},
        layout);
    return layout.error;
}

// A one-instrument song: parameters of the song's instrument 0, the given
// note bytes (pitch groups, pair lists, terminators) and events.
Streams miniSong(std::vector<int8_t> notes, std::vector<uint8_t> pos, std::vector<uint8_t> samp) {
    Streams s;
    s.inst.assign(instdata, instdata + paramCount);
    for (int8_t b : notes)
        s.inst.push_back(b);
    s.inst.push_back(-1); // end of the notes
    s.inst.push_back(-1); // end of the instruments
    s.pos = std::move(pos);
    s.samp = std::move(samp);
    return s;
}

TEST(SongStreams, SizesAndShape) {
    EXPECT_EQ(sizeof instdata, 609u);
    EXPECT_EQ(sizeof notepos, 1663u);
    EXPECT_EQ(sizeof notesamp, 1667u);
    ASSERT_EQ(decode(songCopy()), SynthError::none);
    EXPECT_EQ(layout.instrumentCount, 13u);
    EXPECT_EQ(layout.eventCount, 1654u);
    EXPECT_EQ(layout.layerSamples, 234779928u);
}

TEST(SongStreams, FiguresOfTheSong) {
    ASSERT_EQ(decode(songCopy()), SynthError::none);
    uint32_t lastTick = 0, largestStore = 0, largestAt = 0;
    for (uint32_t i = 0; i < layout.instrumentCount; ++i) {
        const InstrumentInfo& inst = layout.instruments[i];
        lastTick = std::max(lastTick, layout.events[inst.firstEvent + inst.eventCount - 1].tick);
        if (inst.storeUsed > largestStore) largestStore = inst.storeUsed, largestAt = i;
    }
    EXPECT_EQ(lastTick, 1276u);
    EXPECT_EQ(largestStore, 852795u);
    EXPECT_EQ(largestAt, 11u);
    EXPECT_LT(layout.endFrame, 5666000u);
    EXPECT_GT(layout.endFrame, 1276u * 4410u);
    // instrument 1 starts at tick 0, so at frame 0
    const InstrumentInfo& one = layout.instruments[1];
    EXPECT_EQ(layout.events[one.firstEvent].frame, 0u);
    EXPECT_EQ(one.eventCount, 192u);
}

TEST(SongStreams, IntegerParametersAndNotes) {
    ASSERT_EQ(decode(songCopy()), SynthError::none);
    const InstrumentParams& p0 = layout.instruments[0].params;
    EXPECT_EQ(p0.carrierWave, 0);
    EXPECT_EQ(p0.modulatorWave, 3);
    EXPECT_EQ(p0.layerCount, 16);
    EXPECT_EQ(p0.seed, 1206718u); // byte 74
    EXPECT_EQ(p0.carrierSweepRate, std::pow(-69.0f / 1024, 3.0f));
    EXPECT_EQ(p0.carrierSweep, 10 * (1.0f / 12.0f));
    EXPECT_EQ(p0.depth, 22 * 4096.0f);
    EXPECT_EQ(p0.gain, 32.0f / 65536);
    // instrument 0 plays 40, 43, 45, 47, 52: bytes 40, 2, 1, 1, 4
    const uint32_t notes[] = {40, 43, 45, 47, 52};
    for (int g = 0; g < 5; ++g)
        EXPECT_EQ(layout.groups[g].note, notes[g]);
    EXPECT_EQ(layout.instruments[0].sampleCount, 7u);
    EXPECT_EQ(layout.groups[4].sampleCount, 2u);
}

TEST(SongStreams, NegativeSeedSetsTopBit) {
    int8_t bytes[19] = {0, 0, 0, 0, 0, 0, 1, -3};
    EXPECT_EQ(decodeParams(bytes).seed, 0x80000000u + 3u * 16307u);
}

TEST(SongStreams, StepOfNote69IsTheSameFirstOrReached) {
    // first pitch 69
    ASSERT_EQ(decode(miniSong({69, 127, 1, 0}, {0}, {0, 0xFF})), SynthError::none);
    double direct = layout.groups[0].step;
    EXPECT_NEAR(direct, 163.4690, 5e-5);
    // 40, then +29 (byte 28)
    ASSERT_EQ(decode(miniSong({40, 127, 1, 0, 28, 127, 1, 0}, {0}, {1, 0xFF})), SynthError::none);
    EXPECT_EQ(layout.groups[1].note, 69u);
    EXPECT_EQ(layout.groups[1].step, direct);
}

TEST(SongStreams, PitchBytesAndPairNumbering) {
    // groups 40, +3, +2; the first with three pairs
    Streams s = miniSong({40, 127, 1, 64, 2, 32, 1, 0, 2, 127, 2, 0, 1, 127, 1, 0}, {0, 0, 0, 0, 0},
                         {0, 1, 2, 3, 4, 0xFF});
    ASSERT_EQ(decode(s), SynthError::none);
    ASSERT_EQ(layout.groupCount, 3u);
    EXPECT_EQ(layout.groups[1].note, 43u);
    EXPECT_EQ(layout.groups[2].note, 45u);
    EXPECT_EQ(layout.groups[0].sampleCount, 3u);
    EXPECT_EQ(layout.groups[1].firstSample, 3u);
    EXPECT_EQ(layout.samples[1].velocity, 64);
    EXPECT_EQ(layout.samples[2].length, 1u);
    EXPECT_EQ(layout.groups[0].layerSamples, 1u * 17640u + 196608u); // first pair's length
}

TEST(SongStreams, DeltaEncodings) {
    Streams s = miniSong({40, 127, 1, 0}, {0xFE, 0x40, 0xFF, 0x96, 0x7F, 0}, {0, 0, 0, 0, 0xFF});
    ASSERT_EQ(decode(s), SynthError::none);
    EXPECT_EQ(layout.events[0].tick, 320u);
    EXPECT_EQ(layout.events[1].tick, 470u);
    EXPECT_EQ(layout.events[2].tick, 597u);
    EXPECT_EQ(layout.events[3].tick, 597u);
    EXPECT_EQ(layout.events[3].frame, 597u * 4410u);
}

TEST(SongStreams, EnvelopeWithoutSustain) {
    ASSERT_EQ(decode(songCopy()), SynthError::none);
    // instrument 0: attack byte -34 (1722 samples), decay 1 (35733); note samples
    // 0 (2 ticks) and 1 (1 tick) both end before attack plus decay
    const NoteSampleInfo& two = layout.samples[0];
    const NoteSampleInfo& one = layout.samples[1];
    EXPECT_EQ(two.attack, 1722u);
    EXPECT_EQ(two.decay, 35733u);
    EXPECT_EQ(two.sustain, 0u);
    EXPECT_EQ(two.envLength, one.envLength);
    EXPECT_EQ(two.envLength, 1722u + 35733u + two.release + 32767u);
    EXPECT_EQ(two.release, uint32_t(std::nearbyint(std::exp2(11 / 8.0) * 32767)));
    EXPECT_EQ(segmentLength(1.0), 32767u);
    EXPECT_EQ(segmentLength(std::exp2(-16.0)), 1u); // a time byte of -128: one sample
}

// Every truncation of every stream is reported, never read past.
TEST(CorruptStreams, TruncationsAreErrors) {
    Streams full = songCopy();
    for (size_t n = 0; n < instdataSize; ++n) {
        Streams s = full;
        s.inst.resize(n);
        s.inst.shrink_to_fit();
        ASSERT_EQ(decode(s), SynthError::instdataEnds) << n;
    }
    for (size_t n = 0; n < noteposSize; n += 7) {
        Streams s = full;
        s.pos.resize(n);
        s.pos.shrink_to_fit();
        ASSERT_NE(decode(s), SynthError::none) << n;
    }
    Streams s = full;
    s.pos.pop_back();
    EXPECT_EQ(decode(s), SynthError::noteposEnds);
    s = full;
    s.samp.pop_back();
    EXPECT_EQ(decode(s), SynthError::notesampEnds);
    s = full;
    s.samp.resize(1);
    EXPECT_EQ(decode(s), SynthError::notesampEnds);
}

TEST(CorruptStreams, BadValuesAreErrors) {
    Streams s = songCopy();
    s.inst[1] = 6; // modulator table
    EXPECT_EQ(decode(s), SynthError::badTable);
    EXPECT_EQ(layout.errorOffset, 1u);
    s = songCopy();
    s.inst[0] = 9; // carrier table
    EXPECT_EQ(decode(s), SynthError::badTable);
    s = songCopy();
    s.inst[1] = -1;
    EXPECT_EQ(decode(s), SynthError::badTable);
    s = songCopy();
    s.inst[6] = 0; // layer count
    EXPECT_EQ(decode(s), SynthError::badLayerCount);
    s = songCopy();
    s.inst[6] = -5;
    EXPECT_EQ(decode(s), SynthError::badLayerCount);
    s = songCopy();
    s.samp[0] = 7; // instrument 0 has note samples 0 ... 6
    EXPECT_EQ(decode(s), SynthError::badNoteSample);
    s.samp[0] = 6;
    EXPECT_EQ(decode(s), SynthError::none);
    s = songCopy();
    s.samp[0] = 200; // a large first number
    EXPECT_EQ(decode(s), SynthError::badNoteSample);
}

TEST(CorruptStreams, ExtraBytesAreErrors) {
    Streams s = songCopy();
    s.inst.push_back(-1);
    EXPECT_EQ(decode(s), SynthError::trailingBytes);
    s = songCopy();
    s.pos.push_back(0);
    EXPECT_EQ(decode(s), SynthError::trailingBytes);
    s = songCopy();
    s.samp.push_back(0xFF);
    EXPECT_EQ(decode(s), SynthError::trailingBytes);
}

TEST(CorruptStreams, BufferOverflowsAreErrors) {
    Streams s = songCopy();
    s.inst[21] = 38; // instrument 0's first length: layers beyond the cleared part
    EXPECT_EQ(decode(s), SynthError::layerOverflow);
    s.inst[21] = 37;
    EXPECT_EQ(decode(s), SynthError::none);
    // eight 30-tick notes do not fit the sample store
    std::vector<int8_t> notes = {40};
    for (int k = 0; k < 8; ++k)
        notes.insert(notes.end(), {127, 30});
    notes.push_back(0);
    EXPECT_EQ(decode(miniSong(notes, {0}, {0, 0xFF})), SynthError::storeOverflow);
    // a delta of 32512 ticks lands beyond the mix bus
    s = songCopy();
    s.pos[0] = 0x80;
    s.pos.insert(s.pos.begin() + 1, 0x00);
    EXPECT_EQ(decode(s), SynthError::mixOverflow);
    // a release of 2^15.875 time units does not fit the envelope buffer
    s = miniSong({40, 127, 1, 0}, {0}, {0, 0xFF});
    s.inst[18] = 127;
    EXPECT_EQ(decode(s), SynthError::envelopeOverflow);
}

TEST(CorruptStreams, RandomByteFlipsNeverCrash) {
    uint32_t x = 12345;
    Streams full = songCopy();
    for (int trial = 0; trial < 300; ++trial) {
        Streams s = full;
        for (int k = 0; k < 3; ++k) {
            x = x * 1664525u + 1013904223u;
            int which = int(x >> 30) % 3;
            uint8_t value = uint8_t(x >> 8);
            if (which == 0) s.inst[(x >> 12) % s.inst.size()] = int8_t(value);
            if (which == 1) s.pos[(x >> 12) % s.pos.size()] = value;
            if (which == 2) s.samp[(x >> 12) % s.samp.size()] = value;
        }
        SynthError e = decode(s);
        if (e == SynthError::none) {
            ASSERT_LE(layout.endFrame, mixBusSize);
            for (uint32_t i = 0; i < layout.instrumentCount; ++i)
                ASSERT_LE(layout.instruments[i].storeUsed, sampleStoreSize);
        }
    }
}

} // namespace
