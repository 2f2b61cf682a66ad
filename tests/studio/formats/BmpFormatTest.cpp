#include <gtest/gtest.h>

#include "RasterWriters.h"
#include "RenderBytes.h"

namespace {

using vantrel::testing::BmpSpec;
using vantrel::testing::ExpectPrefixesFailCleanly;
using vantrel::testing::RenderBytes;
using vantrel::testing::RenderRgb;
using vantrel::testing::WriteBmp;

constexpr int kWidth = 9;
constexpr int kHeight = 4;

std::vector<std::array<std::uint8_t, 3>> Palette(int entries)
{
    std::vector<std::array<std::uint8_t, 3>> palette;
    for (int i = 0; i < entries; ++i)
        palette.push_back({static_cast<std::uint8_t>(i * 5), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 11)});
    return palette;
}

BmpSpec Indexed(int bitCount, int compression = 0)
{
    BmpSpec bmp;
    bmp.width = kWidth;
    bmp.height = kHeight;
    bmp.bitCount = bitCount;
    bmp.compression = compression;
    bmp.palette = Palette(1 << bitCount);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) bmp.pixels.push_back(static_cast<std::uint32_t>((x / 2 + y * 3) % (1 << bitCount)));
    return bmp;
}

void ExpectPalettePixels(const BmpSpec& bmp)
{
    const auto rgb = RenderRgb(WriteBmp(bmp), bmp.width, bmp.height);
    ASSERT_EQ(rgb.size(), bmp.pixels.size() * 3);
    for (std::size_t i = 0; i < bmp.pixels.size(); ++i)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(rgb[3 * i + c], bmp.palette[bmp.pixels[i]][c]) << bmp.bitCount << "-bit, pixel " << i;
}

TEST(BmpFormat, PaletteDepthsAndTheirRunLengthForms)
{
    for (int bits : {1, 4, 8}) ExpectPalettePixels(Indexed(bits));
    ExpectPalettePixels(Indexed(8, 1));
    ExpectPalettePixels(Indexed(4, 2));
    // OS/2's header, with three-byte palette entries.
    BmpSpec core = Indexed(8);
    core.headerSize = 12;
    ExpectPalettePixels(core);
    // A short palette: the header's used-colour count.
    BmpSpec shortPalette = Indexed(8);
    shortPalette.palette.resize(12);
    for (auto& index : shortPalette.pixels) index %= 12;
    ExpectPalettePixels(shortPalette);
}

TEST(BmpFormat, TrueColourDepthsBottomUpAndTopDown)
{
    for (bool topDown : {false, true}) {
        BmpSpec bmp;
        bmp.width = kWidth;
        bmp.height = kHeight;
        bmp.topDown = topDown;
        std::vector<std::uint32_t> rgb;
        for (int i = 0; i < kWidth * kHeight; ++i) rgb.push_back(static_cast<std::uint32_t>(i * 0x050309 + 0x102030));
        // 24-bit and 32-bit without fields: the fourth byte is not alpha.
        for (int bits : {24, 32}) {
            bmp.bitCount = bits;
            bmp.pixels = rgb;
            if (bits == 32)
                for (auto& pixel : bmp.pixels) pixel |= 0x12000000;
            const auto shown = RenderRgb(WriteBmp(bmp), kWidth, kHeight);
            ASSERT_EQ(shown.size(), rgb.size() * 3);
            for (std::size_t i = 0; i < rgb.size(); ++i) {
                EXPECT_EQ(shown[3 * i], (rgb[i] >> 16) & 0xFF);
                EXPECT_EQ(shown[3 * i + 1], (rgb[i] >> 8) & 0xFF);
                EXPECT_EQ(shown[3 * i + 2], rgb[i] & 0xFF);
            }
        }
    }
}

// 5-5-5 by default, other layouts by bit fields, each field scaled to 8 bits with rounding.
TEST(BmpFormat, SixteenBitsAndBitFields)
{
    BmpSpec bmp;
    bmp.width = 4;
    bmp.height = 1;
    bmp.bitCount = 16;
    bmp.pixels = {0x7C00, 0x03E0, 0x001F, 0x4210};  // red, green, blue, grey 16/31
    EXPECT_EQ(RenderRgb(WriteBmp(bmp), 4, 1), (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 132, 132}));
    bmp.compression = 3;
    bmp.masks = {0xF800, 0x07E0, 0x001F, 0};
    bmp.pixels = {0xF800, 0x07E0, 0x0020, 0x0001};  // green 1/63, blue 1/31
    EXPECT_EQ(RenderRgb(WriteBmp(bmp), 4, 1), (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 4, 0, 0, 0, 8}));
    for (int header : {52, 56, 108, 124}) {
        bmp.headerSize = header;
        EXPECT_EQ(RenderRgb(WriteBmp(bmp), 4, 1), (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 4, 0, 0, 0, 8}));
    }
}

TEST(BmpFormat, AnAlphaFieldShowsOverWhite)
{
    BmpSpec bmp;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bitCount = 32;
    bmp.compression = 3;
    bmp.headerSize = 124;
    bmp.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    bmp.pixels = {0xFF102030, 0x00102030, 0x80000000};
    EXPECT_EQ(RenderRgb(WriteBmp(bmp), 3, 1), (std::vector<std::uint8_t>{16, 32, 48, 255, 255, 255, 127, 127, 127}));
}

// Deltas skip pixels, absolute runs store them as they are, the end of the bitmap leaves the
// rest: skipped pixels take palette entry 0.
TEST(BmpFormat, RunLengthCodes)
{
    BmpSpec bmp = Indexed(8, 1);
    bmp.width = 6;
    bmp.height = 4;
    // Bottom row first: "1 1 1" and an absolute "2 3 0" (padded), end of line; a delta of 2
    // right and 1 down, which blanks that row, then "4 4" and the end of line; eight 5s, cut at
    // 6, and the end of the bitmap.
    bmp.runLengthData = {3, 1, 0, 3, 2, 3, 0, 0, 0, 0, 0, 2, 2, 1, 2, 4, 0, 0, 8, 5, 0, 1};
    bmp.pixels.clear();
    const auto rgb = RenderRgb(WriteBmp(bmp), 6, 4);
    const int expected[4][6] = {{5, 5, 5, 5, 5, 5}, {0, 0, 4, 4, 0, 0}, {0, 0, 0, 0, 0, 0}, {1, 1, 1, 2, 3, 0}};
    ASSERT_EQ(rgb.size(), 6u * 4 * 3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(rgb[(y * 6 + x) * 3], bmp.palette[expected[y][x]][0]) << x << "," << y;

    // RLE4: runs alternate two indices; an absolute run of three pads to a 16-bit boundary.
    BmpSpec four = Indexed(4, 2);
    four.width = 5;
    four.height = 1;
    four.runLengthData = {2, 0x12, 0, 3, 0x34, 0x50, 0, 1};
    const auto rgb4 = RenderRgb(WriteBmp(four), 5, 1);
    ASSERT_EQ(rgb4.size(), 15u);
    const int indices[5] = {1, 2, 3, 4, 5};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(rgb4[3 * x + 1], four.palette[indices[x]][1]) << x;
}

// Two bytes of run-length data may blank a whole bitmap at the pixel cap: that costs what the
// data costs, not what the pixels would.
TEST(BmpFormat, AVastRunLengthBitmapCostsItsData)
{
    BmpSpec bmp = Indexed(8, 1);
    bmp.width = 30000;
    bmp.height = 30000;
    bmp.runLengthData = {0, 0, 0, 2, 200, 100, 0, 1};
    std::string reason;
    auto document = RenderBytes(WriteBmp(bmp), 200, 160, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->width, 30000);
    EXPECT_EQ(document->modeName, "Indexed");
    EXPECT_EQ(document->previewRgb[0], bmp.palette[0][0]);
}

TEST(BmpFormat, DamagedFilesFailWithTheirReason)
{
    const auto refused = [](std::vector<std::uint8_t> bytes) {
        std::string reason;
        EXPECT_EQ(RenderBytes(bytes, 20, 16, reason), nullptr);
        return reason;
    };
    ExpectPrefixesFailCleanly(WriteBmp(Indexed(4)), WriteBmp(Indexed(4)).size());
    // Run-length data may leave out its end-of-bitmap code once every row has ended.
    const auto runs = WriteBmp(Indexed(8, 1));
    ExpectPrefixesFailCleanly(runs, runs.size() - 2);
    auto bytes = WriteBmp(Indexed(8));
    bytes[14] = 41;  // an information header of no known size: not even a BMP by its content
    EXPECT_EQ(refused(bytes).rfind("not a PSD", 0), 0u);

    BmpSpec topDownRle = Indexed(8, 1);
    topDownRle.topDown = true;
    EXPECT_EQ(refused(WriteBmp(topDownRle)), "BMP: run-length data in a top-down bitmap");

    BmpSpec gaps;
    gaps.bitCount = 16;
    gaps.compression = 3;
    gaps.masks = {0xF00F, 0x0F00, 0x00F0, 0};
    gaps.pixels = {0};
    EXPECT_EQ(refused(WriteBmp(gaps)), "BMP: colour bit fields that overlap or have gaps");

    BmpSpec huge = Indexed(8);
    bytes = WriteBmp(huge);
    bytes[18] = 0x40;  // width 0x40000009: past the side limit
    bytes[21] = 0x40;
    EXPECT_EQ(refused(bytes), "BMP: a side over 300000 or more than 900000000 pixels");
    bytes = WriteBmp(huge);
    bytes[19] = 0x80;  // 32777 x 32777 of pixel data that is not there
    bytes[23] = 0x80;
    bytes[20] = bytes[24] = 0;
    bytes[18] = bytes[22] = 9;
    EXPECT_EQ(refused(bytes), "BMP: a side over 300000 or more than 900000000 pixels");
    bytes[19] = bytes[23] = 0x10;  // 4105 x 4105: allowed, but the rows are not in the file
    EXPECT_EQ(refused(bytes), "BMP: truncated data");
}

}  // namespace
