// The figures the browser frames are judged by.
#include "tools/framediff/frame_difference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(FrameDifference, EqualPicturesHaveNoDifferenceAndInfinitePsnr) {
    const std::vector<uint8_t> a = {1, 2, 3, 4, 200, 100, 50, 0};
    const FrameDifference d = frameDifference(a.data(), a.data(), 2);
    EXPECT_EQ(d.meanAbsolute, 0);
    EXPECT_TRUE(std::isinf(d.psnr));
}

TEST(FrameDifference, AlphaIsIgnoredAndColourBytesCountAlike) {
    // One of six colour bytes off by 255 (alpha differs too): MAD 42.5,
    // MSE 255^2 / 6, PSNR 10 log10(6).
    const std::vector<uint8_t> a = {0, 0, 0, 0, 10, 20, 30, 255};
    const std::vector<uint8_t> b = {0, 255, 0, 99, 10, 20, 30, 0};
    const FrameDifference d = frameDifference(a.data(), b.data(), 2);
    EXPECT_DOUBLE_EQ(d.meanAbsolute, 42.5);
    EXPECT_NEAR(d.psnr, 10 * std::log10(6.0), 1e-12);
}

TEST(FrameDifference, UniformOffsetOfOneLevel) {
    std::vector<uint8_t> a(400, 100), b(400, 101);
    const FrameDifference d = frameDifference(a.data(), b.data(), 100);
    EXPECT_DOUBLE_EQ(d.meanAbsolute, 1.0);
    EXPECT_NEAR(d.psnr, 20 * std::log10(255.0), 1e-9);
}
