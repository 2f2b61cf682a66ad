#include <gtest/gtest.h>

#if VANTREL_STUDIO_Tiff

#include <tiffio.h>

#include "RasterWriters.h"
#include "RenderBytes.h"

namespace {

using vantrel::testing::ExpectPrefixesFailCleanly;
using vantrel::testing::FillInterleaved;
using vantrel::testing::RenderBytes;
using vantrel::testing::RenderRgb;
using vantrel::testing::TiffSpec;
using vantrel::testing::WriteTiff;

constexpr int kWidth = 37;
constexpr int kHeight = 21;

TiffSpec Image(int photometric, int samples, int bits)
{
    TiffSpec tiff;
    tiff.width = kWidth;
    tiff.height = kHeight;
    tiff.photometric = photometric;
    tiff.samplesPerPixel = samples;
    tiff.bits = bits;
    const unsigned top = (1u << bits) - 1;
    FillInterleaved(tiff.samples, kWidth, kHeight, samples, [&](int c, int x, int y) {
        return (static_cast<unsigned>(x * 31 + y * 17 + c * 89) * 2654435761u >> 9) % (top + 1);
    });
    return tiff;
}

// What an editor shows: samples to 8 bits, inks multiplied, white-is-zero inverted, palette
// looked up, alpha over white.
std::array<int, 3> Expected(const TiffSpec& tiff, int x, int y)
{
    const std::uint16_t* s = &tiff.samples[(static_cast<std::size_t>(y) * tiff.width + x) * tiff.samplesPerPixel];
    const double top = (1u << tiff.bits) - 1;
    const auto eight = [&](unsigned v) { return v * 255.0 / top; };
    double rgb[3] = {0, 0, 0};
    int colours = 3;
    switch (tiff.photometric) {
    case PHOTOMETRIC_MINISWHITE: rgb[0] = rgb[1] = rgb[2] = 255 - eight(s[0]); colours = 1; break;
    case PHOTOMETRIC_MINISBLACK: rgb[0] = rgb[1] = rgb[2] = eight(s[0]); colours = 1; break;
    case PHOTOMETRIC_RGB: for (int c = 0; c < 3; ++c) rgb[c] = eight(s[c]); break;
    case PHOTOMETRIC_SEPARATED:
        for (int c = 0; c < 3; ++c) rgb[c] = (255 - eight(s[c])) * (255 - eight(s[3])) / 255;
        colours = 4;
        break;
    case PHOTOMETRIC_PALETTE: {
        const std::size_t entries = tiff.colormap.size() / 3;
        for (int c = 0; c < 3; ++c) rgb[c] = tiff.colormap[c * entries + s[0]] / 257.0;
        colours = 1;
        break;
    }
    }
    if (!tiff.extraSamples.empty() && tiff.extraSamples[0] != EXTRASAMPLE_UNSPECIFIED) {
        const double alpha = eight(s[colours]);
        for (double& v : rgb)
            v = tiff.extraSamples[0] == EXTRASAMPLE_ASSOCALPHA ? std::min(255.0, v + 255 - alpha)
                                                               : 255 - (255 - v) * alpha / 255;
    }
    return {static_cast<int>(rgb[0] + 0.5), static_cast<int>(rgb[1] + 0.5), static_cast<int>(rgb[2] + 0.5)};
}

void ExpectShown(const TiffSpec& tiff, const std::string& what)
{
    std::string reason;
    auto document = RenderBytes(WriteTiff(tiff), tiff.width, tiff.height, reason);
    ASSERT_NE(document, nullptr) << what << ": " << reason;
    for (int y = 0; y < tiff.height; ++y)
        for (int x = 0; x < tiff.width; ++x) {
            const auto expected = Expected(tiff, x, y);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(document->previewRgb[(static_cast<std::size_t>(y) * tiff.width + x) * 3 + c], expected[c], 1)
                    << what << " at " << x << "," << y;
        }
}

struct CLayout {
    bool tiles;
    bool separate;
    int compression;
};

class EveryLayout : public ::testing::TestWithParam<CLayout> {
protected:
    TiffSpec Laid(TiffSpec tiff)
    {
        const CLayout layout = GetParam();
        tiff.separatePlanes = layout.separate;
        tiff.compression = layout.compression;
        tiff.predictor = layout.compression == COMPRESSION_LZW && tiff.bits >= 8 ? 2 : 1;
        if (layout.tiles) {
            tiff.tileWidth = 16;
            tiff.tileHeight = 16;
        } else {
            tiff.rowsPerStrip = 4;
        }
        return tiff;
    }
};

TEST_P(EveryLayout, RgbAndCmykAtEightAndSixteenBits)
{
    for (int bits : {8, 16}) {
        ExpectShown(Laid(Image(PHOTOMETRIC_RGB, 3, bits)), "RGB " + std::to_string(bits));
        ExpectShown(Laid(Image(PHOTOMETRIC_SEPARATED, 4, bits)), "CMYK " + std::to_string(bits));
        TiffSpec rgba = Laid(Image(PHOTOMETRIC_RGB, 4, bits));
        rgba.extraSamples = {EXTRASAMPLE_UNASSALPHA};
        ExpectShown(rgba, "RGBA " + std::to_string(bits));
    }
}

TEST_P(EveryLayout, GreyAndPaletteAtEveryDepth)
{
    for (int bits : {1, 2, 4, 8, 16}) {
        ExpectShown(Laid(Image(PHOTOMETRIC_MINISBLACK, 1, bits)), "grey " + std::to_string(bits));
        ExpectShown(Laid(Image(PHOTOMETRIC_MINISWHITE, 1, bits)), "white-is-zero " + std::to_string(bits));
        if (bits > 8) continue;
        TiffSpec palette = Laid(Image(PHOTOMETRIC_PALETTE, 1, bits));
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < (1 << bits); ++i) palette.colormap.push_back(static_cast<std::uint16_t>(((i * 40 + c * 90) % 256) * 257));
        ExpectShown(palette, "palette " + std::to_string(bits));
    }
}

INSTANTIATE_TEST_SUITE_P(StripsAndTiles, EveryLayout,
                         ::testing::Values(CLayout{false, false, COMPRESSION_NONE}, CLayout{false, true, COMPRESSION_LZW},
                                           CLayout{true, false, COMPRESSION_ADOBE_DEFLATE},
                                           CLayout{true, true, COMPRESSION_PACKBITS}, CLayout{false, false, COMPRESSION_LZW},
                                           CLayout{true, false, COMPRESSION_NONE}),
                         [](const auto& info) {
                             return std::string(info.param.tiles ? "Tiles" : "Strips") +
                                    (info.param.separate ? "Planar" : "Chunky") + std::to_string(info.param.compression);
                         });

TEST(TiffFormat, AlphaBigEndianAndOneStrip)
{
    TiffSpec associated = Image(PHOTOMETRIC_MINISBLACK, 2, 8);
    associated.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
    for (std::size_t i = 0; i < associated.samples.size(); i += 2)
        associated.samples[i] = std::min(associated.samples[i], associated.samples[i + 1]);
    ExpectShown(associated, "grey, associated alpha");
    TiffSpec unspecified = Image(PHOTOMETRIC_RGB, 4, 8);
    unspecified.extraSamples = {EXTRASAMPLE_UNSPECIFIED};
    ExpectShown(unspecified, "RGB and a mask that is not drawn");
    TiffSpec big = Image(PHOTOMETRIC_RGB, 3, 16);
    big.bigEndian = true;
    big.compression = COMPRESSION_ADOBE_DEFLATE;
    big.rowsPerStrip = kHeight;
    ExpectShown(big, "big-endian, one strip");
}

TEST(TiffFormat, TheOrientationTagTurnsTheDocument)
{
    TiffSpec tiff = Image(PHOTOMETRIC_RGB, 3, 8);
    tiff.orientation = ORIENTATION_LEFTBOT;  // 8: a quarter anticlockwise
    std::string reason;
    auto turned = RenderBytes(WriteTiff(tiff), kHeight, kWidth, reason);
    ASSERT_NE(turned, nullptr) << reason;
    EXPECT_EQ(turned->width, kHeight);
    EXPECT_EQ(turned->height, kWidth);
    // Shown (X, Y) is stored (W - 1 - Y, X).
    for (int y = 0; y < kWidth; ++y)
        for (int x = 0; x < kHeight; ++x)
            ASSERT_EQ(turned->previewRgb[(static_cast<std::size_t>(y) * kHeight + x) * 3],
                      tiff.samples[(static_cast<std::size_t>(x) * kWidth + (kWidth - 1 - y)) * 3]);
}

TEST(TiffFormat, DamagedAndUnsupportedFilesFailWithAReason)
{
    for (bool tiles : {false, true}) {
        TiffSpec tiff = Image(PHOTOMETRIC_RGB, 3, 8);
        tiff.compression = COMPRESSION_LZW;
        if (tiles) tiff.tileWidth = tiff.tileHeight = 16;
        const auto bytes = WriteTiff(tiff);
        // libtiff writes the image data first and the directory last.
        ExpectPrefixesFailCleanly(bytes, bytes.size());
    }
    TiffSpec floating = Image(PHOTOMETRIC_RGB, 3, 8);
    floating.bits = 8;
    auto bytes = WriteTiff(floating);
    // The compression tag (259) set to JPEG (7), which the studio leaves to editors.
    const std::uint32_t directory = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<std::uint32_t>(bytes[7]) << 24;
    const unsigned entries = bytes[directory] | bytes[directory + 1] << 8;
    for (unsigned e = 0; e < entries; ++e) {
        std::uint8_t* entry = &bytes[directory + 2 + 12 * e];
        if ((entry[0] | entry[1] << 8) == TIFFTAG_COMPRESSION) entry[8] = COMPRESSION_JPEG;
    }
    std::string reason;
    EXPECT_EQ(RenderBytes(bytes, 20, 16, reason), nullptr);
    EXPECT_EQ(reason, "TIFF: compression 7 is not supported");
}

}  // namespace

#endif
