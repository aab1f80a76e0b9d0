#include "synth/fpmath.h"
#include "synth/wforms.h"
#include <bit>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class WaveTables : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { buildWaveforms(); }
    static float at(int table, uint32_t i) { return wforms[table * waveTableSize + i]; }
};

TEST_F(WaveTables, SawAndSquareEndpoints) {
    EXPECT_EQ(at(1, 65535), 1.0f);
    EXPECT_EQ(at(1, 0), -1.0f + 0x1p-15f);
    EXPECT_EQ(at(2, 32767), -1.0f);
    EXPECT_EQ(at(2, 32768), 1.0f);
    EXPECT_EQ(at(2, 0), -1.0f);
    EXPECT_EQ(at(2, 65535), 1.0f);
}

TEST_F(WaveTables, ParabolaAndTriangleReachMinusOneInTheMiddle) {
    EXPECT_EQ(at(3, 32767), -1.0f);
    EXPECT_EQ(at(4, 32767), -1.0f);
    EXPECT_EQ(at(3, 65535), 1.0f);
    EXPECT_EQ(at(4, 65535), 1.0f);
    EXPECT_EQ(at(4, 16383), 0.0f);
    EXPECT_EQ(at(3, 0), float(2.0 * (1.0 - 0x1p-15) * (1.0 - 0x1p-15) - 1.0));
}

TEST_F(WaveTables, SineQuarterPoints) {
    EXPECT_EQ(at(0, 16383), 1.0f);
    EXPECT_EQ(at(0, 49151), -1.0f);
    EXPECT_EQ(at(0, 32767), 0.0f);
    EXPECT_EQ(at(0, 65535), 0.0f);
    for (uint32_t i = 0; i < 16383; ++i)
        ASSERT_EQ(at(0, i), at(0, 32766 - i)) << i; // symmetric
    for (uint32_t i = 0; i < 32767; ++i)
        ASSERT_EQ(at(0, i), -at(0, 32767 + 1 + i)) << i;
    EXPECT_EQ(at(0, 0), float(std::sin(M_PI / 32768.0)));
}

TEST_F(WaveTables, SilentTableStaysZero) {
    for (uint32_t i = 0; i < waveTableSize; ++i)
        ASSERT_EQ(std::bit_cast<uint32_t>(at(5, i)), 0u);
}

TEST_F(WaveTables, LookupRoundsAndWraps) {
    EXPECT_EQ(waveLookup(wforms, 1, roundLow16(-0.5)), at(1, 0));
    EXPECT_EQ(waveLookup(wforms, 1, roundLow16(65535.5)), at(1, 0));
    EXPECT_EQ(waveLookup(wforms, 1, roundLow16(-1.0)), 1.0f);
}

// Tables are built from basic arithmetic only; their contents are a fixed
// function of the build-independent helpers (hash over all 6 tables).
TEST_F(WaveTables, ContentsHash) {
    uint64_t h = 1469598103934665603ull;
    for (float f : wforms) {
        uint32_t b = std::bit_cast<uint32_t>(f);
        for (int k = 0; k < 4; ++k)
            h = (h ^ ((b >> (8 * k)) & 0xFF)) * 1099511628211ull;
    }
    EXPECT_EQ(h, 0xe1188abebde358f6ull) << std::hex << h;
}

} // namespace
