#include "effects/compare/PixelUnpacking.h"

#include <gtest/gtest.h>

using vantrel::platform::DisplayFormat;
using vantrel::platform::DisplayFormatFor;


using namespace vantrel::effects::compare;

namespace vantrel {
namespace {

TEST(PixelUnpacking, FormatsOfTheFourDepths)
{
    EXPECT_EQ(DisplayFormatFor(8), DisplayFormat::Bits8);
    EXPECT_EQ(DisplayFormatFor(16), DisplayFormat::Bits16);
    EXPECT_EQ(DisplayFormatFor(24), DisplayFormat::Bits24);
    EXPECT_EQ(DisplayFormatFor(32), DisplayFormat::Bits32);
    for (int depth : {0, 1, 4, 15, 48, 64, -8})
        EXPECT_EQ(DisplayFormatFor(depth), std::nullopt) << depth;
}

TEST(PixelUnpacking, PixelCountIsTheByteCountOverTheBytesPerPixel)
{
    EXPECT_EQ(PixelCount(DisplayFormat::Bits8, 32000), 32000u);
    EXPECT_EQ(PixelCount(DisplayFormat::Bits16, 64000), 32000u);
    EXPECT_EQ(PixelCount(DisplayFormat::Bits24, 96000), 32000u);
    EXPECT_EQ(PixelCount(DisplayFormat::Bits32, 128000), 32000u);
    EXPECT_EQ(PixelCount(DisplayFormat::Bits24, 10), 3u);  // whole pixels only
    EXPECT_EQ(PixelCount(DisplayFormat::Bits32, 7), 1u);
}

TEST(PixelUnpacking, Unpack16LeavesTheFreedLowBitsZero)
{
    EXPECT_EQ(UnpackPixel16(0xFFFF), (PixelChannels{248, 252, 248}));
    EXPECT_EQ(UnpackPixel16(0x001F), (PixelChannels{248, 0, 0}));
    EXPECT_EQ(UnpackPixel16(0x07E0), (PixelChannels{0, 252, 0}));
    EXPECT_EQ(UnpackPixel16(0xF800), (PixelChannels{0, 0, 248}));
    EXPECT_EQ(UnpackPixel16(0x0000), (PixelChannels{0, 0, 0}));
    EXPECT_EQ(UnpackPixel16(0x0821), (PixelChannels{8, 4, 8}));
}

TEST(PixelUnpacking, Unpack16MatchesTheStoredBytesForm)
{
    for (unsigned w = 0; w < 0x10000; ++w) {
        const unsigned lowByte = w & 0xFF;
        const unsigned highByte = w >> 8;
        const PixelChannels c = UnpackPixel16(static_cast<std::uint16_t>(w));
        ASSERT_EQ(c.c0, (lowByte << 3) & 0xFF);
        ASSERT_EQ(c.c1, (w >> 3) & 0xFC);
        ASSERT_EQ(c.c2, highByte & 0xF8);
    }
}

TEST(PixelUnpacking, Unpack32IgnoresTheTopByte)
{
    const std::uint8_t stored[4] = {0x33, 0x22, 0x11, 0xFF};
    EXPECT_EQ(ReadPixel(stored, DisplayFormat::Bits32, 0), (PixelChannels{0x33, 0x22, 0x11}));
    EXPECT_EQ(UnpackPixel32(0xFF112233u), (PixelChannels{0x33, 0x22, 0x11}));
    EXPECT_EQ(UnpackPixel32(0x00112233u), UnpackPixel32(0x7F112233u));
}

TEST(PixelUnpacking, ReadPixelInEachFormat)
{
    const std::uint8_t bytes[] = {0x1F, 0x00, 0xE0, 0x07, 9, 8, 7, 6};
    EXPECT_EQ(ReadPixel(bytes, DisplayFormat::Bits8, 2), (PixelChannels{0xE0, 0xE0, 0xE0}));
    EXPECT_EQ(ReadPixel(bytes, DisplayFormat::Bits16, 0), (PixelChannels{248, 0, 0}));   // little-endian 0x001F
    EXPECT_EQ(ReadPixel(bytes, DisplayFormat::Bits16, 1), (PixelChannels{0, 252, 0}));   // 0x07E0
    EXPECT_EQ(ReadPixel(bytes, DisplayFormat::Bits24, 1), (PixelChannels{0x07, 9, 8}));
    EXPECT_EQ(ReadPixel(bytes, DisplayFormat::Bits32, 1), (PixelChannels{9, 8, 7}));
}

}  // namespace
}  // namespace vantrel
