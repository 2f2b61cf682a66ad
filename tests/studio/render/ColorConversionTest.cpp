#include <gtest/gtest.h>

#include "studio/render/ColorConversion.h"

namespace {

using vantrel::studio::render::CColourSpec;
using vantrel::studio::psd::CDisplayColour;
using vantrel::studio::render::CRowConverter;

using Row = std::vector<std::uint8_t>;

CColourSpec Shape(int mode, int width, Row palette = {})
{
    CColourSpec shape;
    shape.colorMode = mode;
    shape.width = width;
    shape.colourChannels = mode == 4 ? 4 : mode == 3 || mode == 9 ? 3 : 1;
    shape.palette = std::move(palette);
    return shape;
}

Row PlaneOf(const std::uint8_t* const* planes, int plane, int width)
{
    return Row(planes[plane], planes[plane] + width);
}

TEST(ColorConversion, GreyAndRgbRowsPassThroughUntouched)
{
    const Row red = {1, 2}, green = {3, 4}, blue = {5, 6};
    const std::uint8_t* rows[] = {red.data(), green.data(), blue.data()};
    CRowConverter rgb(Shape(3, 2));
    const auto* planes = rgb.Convert(rows);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(planes[p], rows[p]);
    CRowConverter grey(Shape(1, 2));
    EXPECT_EQ(grey.Convert(rows)[0], rows[0]);
}

TEST(ColorConversion, BitmapBitsExpandMostSignificantFirst)
{
    const Row bits = {0b10000001, 0b01011111};
    const std::uint8_t* rows[] = {bits.data()};
    CRowConverter bitmap(Shape(0, 11));
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
    CRowConverter indexed(Shape(2, 3, palette));
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
    CRowConverter cmyk(Shape(4, 5));
    const auto* planes = cmyk.Convert(rows);
    EXPECT_EQ(PlaneOf(planes, 0, 5), (Row{200, 0, 1, 255, 0}));
    EXPECT_EQ(PlaneOf(planes, 1, 5), (Row{0, 63, 64, 255, 0}));
    EXPECT_EQ(PlaneOf(planes, 2, 5), (Row{255, 127, 128, 64, 0}));
}

TEST(ColorConversion, TransparencyMatsOverWhiteWithoutDarkeningMattedColour)
{
    // Stored colour matted against white stays; colour left under transparent pixels turns white.
    const Row red = {255, 255, 200, 10}, green = {0, 0, 228, 10}, blue = {0, 0, 228, 10};
    const Row alpha = {255, 0, 55, 128};
    const std::uint8_t* rows[] = {red.data(), green.data(), blue.data(), alpha.data()};
    CColourSpec shape = Shape(3, 4);
    shape.transparency = true;
    CRowConverter rgb(shape);
    const auto* planes = rgb.Convert(rows);
    EXPECT_EQ(PlaneOf(planes, 0, 4), (Row{255, 255, 200, 127}));
    EXPECT_EQ(PlaneOf(planes, 1, 4), (Row{0, 255, 228, 127}));
    EXPECT_NE(planes[0], rows[0]) << "the stored rows are left as they are";
    EXPECT_EQ(red[1], 255);
    EXPECT_EQ(green[1], 0);

    const Row grey = {0, 0}, greyAlpha = {0, 200};
    const std::uint8_t* greyRows[] = {grey.data(), greyAlpha.data()};
    CColourSpec greySpec = Shape(1, 2);
    greySpec.transparency = true;
    CRowConverter greyConverter(greySpec);
    ASSERT_EQ(greyConverter.OutputPlanes(), 1);
    EXPECT_EQ(PlaneOf(greyConverter.Convert(greyRows), 0, 2), (Row{255, 55}));
}

TEST(ColorConversion, IndexedTransparentEntryShowsWhite)
{
    Row palette(768, 0);
    const Row indices = {3, 4};
    const std::uint8_t* rows[] = {indices.data()};
    CColourSpec shape = Shape(2, 2, palette);
    shape.transparentIndex = 4;
    CRowConverter indexed(shape);
    const auto* planes = indexed.Convert(rows);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(PlaneOf(planes, p, 2), (Row{0, 255}));
}

TEST(ColorConversion, LabUnderD50ReachesSrgbPrimariesAndGreys)
{
    // L* 100 and 0 are white and black; neutral greys stay neutral; sRGB red is Lab(54.29,
    // 80.80, 69.89) under D50 through the sRGB profile's colorants.
    EXPECT_EQ(vantrel::studio::render::LabToSrgb(100, 0, 0), (std::array<std::uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(vantrel::studio::render::LabToSrgb(0, 0, 0), (std::array<std::uint8_t, 3>{0, 0, 0}));
    const auto grey = vantrel::studio::render::LabToSrgb(53.585, 0, 0);  // sRGB 128
    EXPECT_EQ(grey[0], grey[1]);
    EXPECT_EQ(grey[1], grey[2]);
    EXPECT_NEAR(grey[0], 128, 1);
    const auto red = vantrel::studio::render::LabToSrgb(54.29, 80.80, 69.89);
    EXPECT_NEAR(red[0], 255, 1);
    EXPECT_NEAR(red[1], 0, 2);
    EXPECT_NEAR(red[2], 0, 2);

    // Colours outside sRGB clip each primary after the exact conversion. These are pixels of
    // psd-tools' 4x4 Lab sample as LittleCMS converts them unoptimised; its default 8-bit
    // transform interpolates a table across the clip and lands up to 18 levels away.
    EXPECT_EQ(vantrel::studio::render::LabToSrgb(48 * 100.0 / 255, 51, -85), (std::array<std::uint8_t, 3>{0, 3, 177}));
    EXPECT_EQ(vantrel::studio::render::LabToSrgb(138 * 100.0 / 255, 80, 69), (std::array<std::uint8_t, 3>{253, 7, 2}));
    EXPECT_EQ(vantrel::studio::render::LabToSrgb(199 * 100.0 / 255, 34, 91), (std::array<std::uint8_t, 3>{255, 166, 0}));

    // Stored 8-bit Lab: L * 255 / 100, a + 128, b + 128.
    const Row lightness = {255, 0}, a = {128, 128}, b = {128, 128};
    const std::uint8_t* rows[] = {lightness.data(), a.data(), b.data()};
    CRowConverter lab(Shape(9, 2));
    const auto* planes = lab.Convert(rows);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(PlaneOf(planes, p, 2), (Row{255, 0}));
}

TEST(ColorConversion, MultichannelInksPrintOverEachOther)
{
    // Cyan, magenta and yellow inks (as an RGB document converted to Multichannel has) show
    // the stored values as red, green and blue; a fourth ink of pure black darkens all three.
    CColourSpec shape = Shape(7, 3);
    shape.colourChannels = 4;
    for (int ink = 0; ink < 4; ++ink) {
        CDisplayColour colour;
        colour.space = 2;  // CMYK, 65535 is no ink
        for (int k = 0; k < 4; ++k) colour.components[k] = ink == k ? 0 : 65535;
        shape.inks.push_back(colour);
    }
    const Row cyan = {10, 255, 255}, magenta = {20, 255, 0}, yellow = {30, 255, 0}, black = {255, 0, 128};
    const std::uint8_t* rows[] = {cyan.data(), magenta.data(), yellow.data(), black.data()};
    CRowConverter inks(shape);
    const auto* planes = inks.Convert(rows);
    EXPECT_EQ(PlaneOf(planes, 0, 3), (Row{10, 0, 128}));
    EXPECT_EQ(PlaneOf(planes, 1, 3), (Row{20, 0, 0}));
    EXPECT_EQ(PlaneOf(planes, 2, 3), (Row{30, 0, 0}));

    // Without display colours the inks default to cyan, magenta, yellow and black.
    EXPECT_EQ(vantrel::studio::render::InkColour({}, 0), (std::array<std::uint8_t, 3>{0, 255, 255}));
    EXPECT_EQ(vantrel::studio::render::InkColour({}, 3), (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(vantrel::studio::render::InkColour({}, 9), (std::array<std::uint8_t, 3>{0, 0, 0}));
    CDisplayColour rgb;
    rgb.space = 0;
    rgb.components[0] = 0xFFFF;
    rgb.components[2] = 0x8000;
    EXPECT_EQ(vantrel::studio::render::InkColour(rgb, 0), (std::array<std::uint8_t, 3>{255, 0, 128}));
}

}  // namespace
