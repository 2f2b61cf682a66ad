#include <gtest/gtest.h>

#include "studio/render/ColorConversion.h"
#include "studio/psd/ColorModes.h"

namespace {

using vantrel::studio::CRowConverter;
using vantrel::studio::FindReadableColorMode;

using Row = std::vector<std::uint8_t>;

Row PlaneOf(const std::uint8_t* const* planes, int plane, int width)
{
    return Row(planes[plane], planes[plane] + width);
}

TEST(ColorConversion, GreyAndRgbRowsPassThroughUntouched)
{
    const Row red = {1, 2}, green = {3, 4}, blue = {5, 6};
    const std::uint8_t* rows[] = {red.data(), green.data(), blue.data()};
    CRowConverter rgb(*FindReadableColorMode(3), 2, {});
    const auto* planes = rgb.Convert(rows);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(planes[p], rows[p]);
    CRowConverter grey(*FindReadableColorMode(1), 2, {});
    EXPECT_EQ(grey.Convert(rows)[0], rows[0]);
}

TEST(ColorConversion, BitmapBitsExpandMostSignificantFirst)
{
    const Row bits = {0b10000001, 0b01011111};
    const std::uint8_t* rows[] = {bits.data()};
    CRowConverter bitmap(*FindReadableColorMode(0), 11, {});
    // The five padding bits of the second byte are set and must not matter.
    EXPECT_EQ(PlaneOf(bitmap.Convert(rows), 0, 11), (Row{0, 255, 255, 255, 255, 255, 255, 0, 255, 0, 255}));
}

TEST(ColorConversion, IndexedTakesEachComponentFromItsThirdOfThePalette)
{
    Row palette(768);
    for (int i = 0; i < 256; ++i) {
        palette[i] = static_cast<std::uint8_t>(i);
        palette[256 + i] = static_cast<std::uint8_t>(255 - i);
        palette[512 + i] = static_cast<std::uint8_t>(i ^ 0x5A);
    }
    const Row indices = {0, 17, 255};
    const std::uint8_t* rows[] = {indices.data()};
    CRowConverter indexed(*FindReadableColorMode(2), 3, palette);
    const auto* planes = indexed.Convert(rows);
    EXPECT_EQ(PlaneOf(planes, 0, 3), (Row{0, 17, 255}));
    EXPECT_EQ(PlaneOf(planes, 1, 3), (Row{255, 238, 0}));
    EXPECT_EQ(PlaneOf(planes, 2, 3), (Row{0x5A, 17 ^ 0x5A, 255 ^ 0x5A}));
}

TEST(ColorConversion, CmykProductRoundsToNearest)
{
    // C'K'/255 for K' = 255 is C' itself; 127/255 rounds down, 128/255 up.
    const Row cyan = {200, 1, 1, 255, 0};
    const Row magenta = {0, 127, 128, 255, 255};
    const Row yellow = {255, 255, 255, 64, 255};
    const Row black = {255, 127, 128, 255, 0};
    const std::uint8_t* rows[] = {cyan.data(), magenta.data(), yellow.data(), black.data()};
    CRowConverter cmyk(*FindReadableColorMode(4), 5, {});
    const auto* planes = cmyk.Convert(rows);
    EXPECT_EQ(PlaneOf(planes, 0, 5), (Row{200, 0, 1, 255, 0}));
    EXPECT_EQ(PlaneOf(planes, 1, 5), (Row{0, 63, 64, 255, 0}));
    EXPECT_EQ(PlaneOf(planes, 2, 5), (Row{255, 127, 128, 64, 0}));
}

}  // namespace
