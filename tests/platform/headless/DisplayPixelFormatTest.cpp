#include "platform/headless/DisplayPixelFormat.h"

#include "platform/CaptureImage.h"

#include <gtest/gtest.h>

using vantrel::platform::CCaptureImage;
using vantrel::platform::StoreDisplayPixel;

TEST(DisplayPixelFormat, EachDepthStoresItsOwnLayoutAtTheRightOffset)
{
    CCaptureImage bgrx(32), bgr(24), rgb565(16), indexed(8);
    for (CCaptureImage* image : {&bgrx, &bgr, &rgb565, &indexed})
        StoreDisplayPixel(*image, 3, 2, 0xFF, 0x80, 0x11);

    const std::uint8_t* p32 = bgrx.Pixels() + 2 * 800 + 3 * 4;
    EXPECT_EQ((std::vector<int>{p32[0], p32[1], p32[2], p32[3]}), (std::vector<int>{0x11, 0x80, 0xFF, 0}));
    const std::uint8_t* p24 = bgr.Pixels() + 2 * 600 + 3 * 3;
    EXPECT_EQ((std::vector<int>{p24[0], p24[1], p24[2]}), (std::vector<int>{0x11, 0x80, 0xFF}));
    // 5-6-5 by truncation: r 31, g 32, b 2, little-endian.
    const std::uint8_t* p16 = rgb565.Pixels() + 2 * 400 + 3 * 2;
    EXPECT_EQ(p16[0] | (p16[1] << 8), (31 << 11) | (32 << 5) | 2);
    EXPECT_EQ(indexed.Pixels()[2 * 200 + 3], 0xE0 | 0x10 | 0x00);

    // Neighbours are untouched.
    EXPECT_EQ(p32[-1], 0);
    EXPECT_EQ(p32[4], 0);
    EXPECT_EQ(p16[2], 0);
}

TEST(DisplayPixelFormat, IgnoresPointsOutsideAndDepthsItCannotDraw)
{
    CCaptureImage image(32);
    StoreDisplayPixel(image, -1, 0, 1, 1, 1);
    StoreDisplayPixel(image, 200, 0, 1, 1, 1);
    StoreDisplayPixel(image, 0, 160, 1, 1, 1);
    CCaptureImage odd(15);
    StoreDisplayPixel(odd, 0, 0, 255, 255, 255);
    for (std::size_t i = 0; i < image.ByteCount(); ++i)
        ASSERT_EQ(image.Pixels()[i], 0);
    for (std::size_t i = 0; i < odd.ByteCount(); ++i)
        ASSERT_EQ(odd.Pixels()[i], 0);
}
