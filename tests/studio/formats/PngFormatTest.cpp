#include <gtest/gtest.h>

#if VANTREL_STUDIO_Png

#include <zlib.h>

#include "RasterWriters.h"
#include "RenderBytes.h"

namespace {

using vantrel::testing::ExpectPrefixesFailCleanly;
using vantrel::testing::FillInterleaved;
using vantrel::testing::PngSpec;
using vantrel::testing::RenderBytes;
using vantrel::testing::RenderRgb;
using vantrel::testing::WritePng;

constexpr int kWidth = 7;
constexpr int kHeight = 5;

int Channels(int colorType) { return colorType == 0 || colorType == 3 ? 1 : colorType == 4 ? 2 : colorType == 2 ? 3 : 4; }

// Samples that visit the depth's whole range.
PngSpec Image(int colorType, int depth, bool interlace = false)
{
    PngSpec png;
    png.width = kWidth;
    png.height = kHeight;
    png.colorType = colorType;
    png.bitDepth = depth;
    png.interlace = interlace;
    const unsigned top = (1u << depth) - 1;
    FillInterleaved(png.samples, kWidth, kHeight, Channels(colorType), [&](int c, int x, int y) {
        return (static_cast<unsigned>(x * 37 + y * 101 + c * 59) * 2654435761u >> 7) % (top + 1);
    });
    if (colorType == 3)
        for (unsigned i = 0; i <= top; ++i)
            png.palette.push_back({static_cast<std::uint8_t>(i * 13), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7 + 1)});
    return png;
}

// What an editor shows for one pixel: samples to 8 bits (rounded), palette looked up, alpha
// over white.
std::array<int, 3> Expected(const PngSpec& png, int x, int y)
{
    const int channels = Channels(png.colorType);
    const std::uint16_t* s = &png.samples[(static_cast<std::size_t>(y) * png.width + x) * channels];
    const double top = (1u << png.bitDepth) - 1;
    const auto eight = [&](unsigned v) { return static_cast<int>(v * 255.0 / top + 0.5); };
    std::array<int, 3> rgb{};
    int alpha = 255;
    switch (png.colorType) {
    case 0: rgb = {eight(s[0]), eight(s[0]), eight(s[0])}; break;
    case 4: rgb = {eight(s[0]), eight(s[0]), eight(s[0])}; alpha = eight(s[1]); break;
    case 2: rgb = {eight(s[0]), eight(s[1]), eight(s[2])}; break;
    case 6: rgb = {eight(s[0]), eight(s[1]), eight(s[2])}; alpha = eight(s[3]); break;
    case 3:
        rgb = {png.palette[s[0]][0], png.palette[s[0]][1], png.palette[s[0]][2]};
        if (s[0] < png.paletteAlpha.size()) alpha = png.paletteAlpha[s[0]];
        break;
    }
    for (int& v : rgb) v = 255 - static_cast<int>((255 - v) * alpha / 255.0 + 0.5);
    return rgb;
}

void ExpectShownAsAnEditorShowsIt(const PngSpec& png)
{
    const auto rgb = RenderRgb(WritePng(png), png.width, png.height);
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(png.width) * png.height * 3);
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            const auto expected = Expected(png, x, y);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(rgb[(static_cast<std::size_t>(y) * png.width + x) * 3 + c], expected[c], 1)
                    << "type " << png.colorType << " depth " << png.bitDepth << " at " << x << "," << y;
        }
}

TEST(PngFormat, EveryColourTypeAndDepth)
{
    const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1}, {3, 2},
                                         {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (auto [type, depth] : kinds)
        for (bool interlace : {false, true}) ExpectShownAsAnEditorShowsIt(Image(type, depth, interlace));
}

TEST(PngFormat, TransparencyByTrnsShowsWhite)
{
    PngSpec palette = Image(3, 4);
    palette.paletteAlpha = {0, 128, 255, 30};
    ExpectShownAsAnEditorShowsIt(palette);

    PngSpec grey = Image(0, 8);
    grey.transparent = {grey.samples[0]};
    const auto rgb = RenderRgb(WritePng(grey), kWidth, kHeight);
    ASSERT_FALSE(rgb.empty());
    EXPECT_EQ(rgb[0], 255);

    PngSpec colour = Image(2, 16);
    colour.transparent = {colour.samples[3], colour.samples[4], colour.samples[5]};
    const auto rgb16 = RenderRgb(WritePng(colour), kWidth, kHeight);
    ASSERT_FALSE(rgb16.empty());
    EXPECT_EQ((std::vector<std::uint8_t>(rgb16.begin() + 3, rgb16.begin() + 6)), (std::vector<std::uint8_t>{255, 255, 255}));
}

// Interlaced passes land where their pixels lie: the same preview as the plain file.
TEST(PngFormat, InterlacedAndPlainFilesShowAlike)
{
    for (auto [pw, ph] : {std::pair{3, 2}, {200, 160}}) {
        PngSpec plain = Image(6, 8);
        plain.width = 45;
        plain.height = 31;
        FillInterleaved(plain.samples, 45, 31, 4, [](int c, int x, int y) { return (x * 5 + y * 3 + c * 70) % 256; });
        PngSpec interlaced = plain;
        interlaced.interlace = true;
        EXPECT_EQ(RenderRgb(WritePng(plain), pw, ph), RenderRgb(WritePng(interlaced), pw, ph));
    }
}

TEST(PngFormat, TruncatedFilesFailWithAReason)
{
    for (bool interlace : {false, true}) {
        const auto bytes = WritePng(Image(2, 8, interlace));
        // The IEND chunk is all that may go.
        ExpectPrefixesFailCleanly(bytes, bytes.size() - 12);
    }
}

TEST(PngFormat, OversizedHeadersAreRefusedBeforeDecoding)
{
    const auto withSides = [](std::uint32_t width, std::uint32_t height) {
        auto bytes = WritePng(Image(2, 8));
        for (int i = 0; i < 4; ++i) {
            bytes[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
            bytes[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
        }
        const uLong crc = crc32(0, bytes.data() + 12, 17);
        for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        std::string reason;
        EXPECT_EQ(RenderBytes(bytes, 200, 160, reason), nullptr);
        return reason;
    };
    EXPECT_EQ(withSides(300001, 1), "PNG: width 300001 exceeds 300000");
    EXPECT_EQ(withSides(40000, 40000), "PNG: 40000 x 40000 pixels exceed the limit of 900000000");
}

}  // namespace

#endif
