#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Writers for the raster files the studio opens besides PSD, for tests, fuzz seeds and bench
// samples. JPEG, PNG, GIF and TIFF are written with the codecs' own encoders (each only in a
// build that has that codec); BMP is written here. Every writer returns the file's bytes and
// throws std::runtime_error when its encoder refuses.

namespace vantrel::testing {

// Fills samples[((y * width) + x) * channels + c] from a function of (c, x, y).
template <typename Sample, typename F>
void FillInterleaved(std::vector<Sample>& samples, int width, int height, int channels, F value)
{
    samples.resize(static_cast<std::size_t>(width) * height * channels);
    std::size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) samples[i++] = static_cast<Sample>(value(c, x, y));
}

struct BmpSpec {
    int width = 1;
    int height = 1;
    int bitCount = 24;             // 1, 4, 8, 16, 24, 32
    int compression = 0;           // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
    int headerSize = 40;           // 12, 40, 52, 56, 108 or 124
    bool topDown = false;
    std::vector<std::array<std::uint8_t, 3>> palette;  // RGB; for 1 to 8 bits
    std::array<std::uint32_t, 4> masks{};               // red, green, blue, alpha, for 3 and 6
    // Per pixel, top row first: a palette index, the raw 16- or 32-bit value, or 0xRRGGBB.
    std::vector<std::uint32_t> pixels;
    // Run-length data to store as it is; left empty, RLE files encode pixels in runs.
    std::vector<std::uint8_t> runLengthData;
};
std::vector<std::uint8_t> WriteBmp(const BmpSpec& bmp);

#if VANTREL_STUDIO_Jpeg
struct JpegSpec {
    int width = 1;
    int height = 1;
    int channels = 3;              // 1 grey, 3 RGB, 4 CMYK
    std::vector<std::uint8_t> samples;  // interleaved
    int quality = 95;
    bool progressive = false;
    bool ycck = false;             // CMYK stored as YCCK
    bool adobeMarker = true;       // CMYK and YCCK: Adobe's marker (its writers store inverted inks)
    int orientation = 0;           // an EXIF block with this orientation; 0 none
};
std::vector<std::uint8_t> WriteJpeg(const JpegSpec& jpeg);
#endif

#if VANTREL_STUDIO_Png
struct PngSpec {
    int width = 1;
    int height = 1;
    int colorType = 2;             // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlace = false;
    std::vector<std::uint16_t> samples;  // interleaved, each 0 .. 2^bitDepth - 1
    std::vector<std::array<std::uint8_t, 3>> palette;
    std::vector<std::uint8_t> paletteAlpha;  // tRNS for palette images
    std::vector<std::uint16_t> transparent;  // tRNS for grey (1 value) or RGB (3) images
};
std::vector<std::uint8_t> WritePng(const PngSpec& png);
#endif

#if VANTREL_STUDIO_Gif
struct GifSpec {
    int screenWidth = 1;
    int screenHeight = 1;
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
    bool interlace = false;
    bool localColours = false;     // the table on the frame instead of the screen
    std::vector<std::array<std::uint8_t, 3>> colours;  // 2, 4, ..., 256 entries
    int transparent = -1;
    std::vector<std::uint8_t> indices;        // width * height, top row first
    std::vector<std::uint8_t> secondFrame;    // written after, same place and size, if not empty
};
std::vector<std::uint8_t> WriteGif(const GifSpec& gif);
#endif

#if VANTREL_STUDIO_Tiff
struct TiffSpec {
    int width = 1;
    int height = 1;
    int bits = 8;
    int samplesPerPixel = 3;
    int photometric = 2;           // PHOTOMETRIC_*: 0 min-is-white, 1 min-is-black, 2 RGB, 3 palette, 5 CMYK
    bool separatePlanes = false;
    int tileWidth = 0;             // multiples of 16; 0 for strips
    int tileHeight = 0;
    int rowsPerStrip = 0;          // 0 for libtiff's default
    int compression = 1;           // COMPRESSION_*: 1 none, 5 LZW, 8 Deflate, 32773 PackBits
    int predictor = 1;
    bool bigEndian = false;
    int orientation = 0;           // 0 leaves the tag out
    std::vector<std::uint16_t> extraSamples;  // EXTRASAMPLE_* of each sample past the colour ones
    std::vector<std::uint16_t> colormap;      // 3 * 2^bits: reds, greens, blues
    std::vector<std::uint16_t> samples;       // interleaved, each 0 .. 2^bits - 1
};
std::vector<std::uint8_t> WriteTiff(const TiffSpec& tiff);
#endif

}  // namespace vantrel::testing
