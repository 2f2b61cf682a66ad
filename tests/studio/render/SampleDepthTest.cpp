#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "studio/render/SampleDepth.h"

namespace {

using vantrel::studio::render::EncodeLinearTo8;
using vantrel::studio::render::Reduce16To8;
using vantrel::studio::render::ScaleCoverageTo8;

std::vector<std::uint8_t> BigEndianFloats(const std::vector<float>& values)
{
    std::vector<std::uint8_t> bytes;
    for (float value : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return bytes;
}

TEST(SampleDepth, SixteenBitsRoundHalfUpForEveryValue)
{
    std::vector<std::uint8_t> samples;
    for (unsigned v = 0; v < 65536; ++v) {
        samples.push_back(static_cast<std::uint8_t>(v >> 8));
        samples.push_back(static_cast<std::uint8_t>(v));
    }
    std::vector<std::uint8_t> out(65536);
    Reduce16To8(samples.data(), 65536, out.data());
    for (unsigned v = 0; v < 65536; ++v)
        ASSERT_EQ(out[v], (510u * v + 65535u) / 131070u) << v;  // floor(v * 255 / 65535 + 1/2)
    // The tail that does not fill a whole block.
    Reduce16To8(samples.data() + 2 * 65530, 5, out.data());
    EXPECT_EQ(out[4], 255);
}

TEST(SampleDepth, LinearLightShowsThroughTheSrgbCurveClamped)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const auto bytes = BigEndianFloats({0.0f, 1.0f, 0.5f, 0.25f, 0.0031308f, -0.5f, 7.0f, nan, infinity, 0.0002f});
    std::vector<std::uint8_t> out(10);
    EncodeLinearTo8(bytes.data(), out.size(), out.data());
    // 0.5 shows as 0.7354 (187.5, up); 0.25 as 0.5371 (137.0); 0.0031308 at the curve's knee
    // as 0.04045 (10.3); 0.0002 as 0.00258 (0.66).
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 255, 188, 137, 10, 0, 255, 0, 255, 1}));
}

TEST(SampleDepth, ThirtyTwoBitCoverageScalesLinearly)
{
    const auto bytes = BigEndianFloats({0.0f, 1.0f, 0.5f, 0.25f, -1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN()});
    std::vector<std::uint8_t> out(7);
    ScaleCoverageTo8(bytes.data(), out.size(), out.data());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 255, 128, 64, 0, 255, 0}));
}

}  // namespace
