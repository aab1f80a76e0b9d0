// The whole soundtrack through the sample-by-sample layer loop, which every
// faster path must match bit for bit.
#include "synth/genmus.h"
#include "synth_test_util.h"
#include <gtest/gtest.h>

namespace {

TEST(SoundtrackOracle, ReferenceLoopGivesTheRecordedHash) {
    genMusUsing(LayerPath::scalar);
    ASSERT_EQ(musError(), SynthError::none);
    EXPECT_EQ(musBufHash(), musBufExpectedHash) << std::hex << musBufHash();
}

} // namespace
