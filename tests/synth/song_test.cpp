// The whole soundtrack, rendered once for this test binary.
#include "synth/genmus.h"
#include "synth_test_util.h"
#include <gtest/gtest.h>

namespace {

uint64_t layerSamples[2]; // as counted by the render, before other tests reuse the workers

class SoundtrackEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        genMus();
        layerSamples[0] = vars[0].layerSamples;
        layerSamples[1] = vars[1].layerSamples;
    }
};

const auto* soundtrack = ::testing::AddGlobalTestEnvironment(new SoundtrackEnvironment);

TEST(Soundtrack, RendersWithoutError) {
    EXPECT_EQ(musError(), SynthError::none);
    EXPECT_EQ(layerSamples[0], 234779928u);
    EXPECT_EQ(layerSamples[1], 234779928u);
}

TEST(Soundtrack, EverythingAfterTheLastNoteIsZero) {
    ASSERT_LT(songLayout.endFrame, 5666000u);
    for (uint32_t i = 2 * songLayout.endFrame; i < 2 * musFrames; ++i)
        ASSERT_EQ(MusBuf[i], 0) << i;
    // the last audible frame lies in the last note's fade (under a second before its end)
    uint32_t last = songLayout.endFrame;
    while (last > 0 && MusBuf[2 * last - 1] == 0 && MusBuf[2 * last - 2] == 0)
        --last;
    EXPECT_GT(last + 44100, songLayout.endFrame);
}

TEST(Soundtrack, ChannelsDifferButFollowTheSameNotes) {
    uint64_t differing = 0;
    double energy[2] = {0, 0};
    for (uint32_t f = 0; f < musFrames; ++f) {
        differing += MusBuf[2 * f] != MusBuf[2 * f + 1];
        for (int c = 0; c < 2; ++c)
            energy[c] += double(MusBuf[2 * f + c]) * MusBuf[2 * f + c];
    }
    EXPECT_GT(differing, musFrames / 2);
    EXPECT_NEAR(energy[0] / energy[1], 1.0, 0.1);
}

TEST(Soundtrack, SongStartsAtFrameZero) {
    // instruments 0 and 1 start at tick 0
    bool sound = false;
    for (uint32_t i = 0; i < 2 * 441; ++i)
        sound |= MusBuf[i] != 0;
    EXPECT_TRUE(sound);
}

TEST(Soundtrack, MatchesRecordedHash) {
    EXPECT_EQ(musBufHash(), musBufExpectedHash) << std::hex << musBufHash();
}

} // namespace
