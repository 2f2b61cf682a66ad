// Writes sample files of every raster kind the studio opens besides PSD, one per variant that
// decodes differently: JPEG (baseline, progressive, grey, CMYK, YCCK, EXIF-turned), PNG (every
// colour type and depth, tRNS, interlaced), BMP (every depth, RLE4, RLE8, bit fields, top-down,
// OS/2), GIF (transparency, interlaced, a frame on a larger screen) and TIFF (strips and tiles,
// interleaved and planar, 8 and 16 bits, RGB, grey, CMYK and palette, every compression).
//
//   make_raster_samples OUTPUT_DIR            picture-sized samples for bench/raster_fidelity.py
//   make_raster_samples OUTPUT_DIR --seeds    tiny ones, one folder per fuzz target
//
// Only the kinds this build opens are written.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

#include "PsdWriter.h"
#include "RasterWriters.h"

#if VANTREL_STUDIO_Png
#include <png.h>
#endif
#if VANTREL_STUDIO_Tiff
#include <tiffio.h>
#endif

namespace {

using namespace vantrel::testing;

// A picture with what decoders get wrong: smooth gradients, hard edges, a disc, fine stripes.
// Returns 0..1 per channel (0 red, 1 green, 2 blue).
double Picture(int c, int x, int y, int width, int height)
{
    const double u = static_cast<double>(x) / width;
    const double v = static_cast<double>(y) / height;
    const double dx = u - 0.62;
    const double dy = v - 0.4;
    if (dx * dx + dy * dy < 0.04) return c == 0 ? 0.95 : c == 1 ? 0.78 : 0.1;          // a sun
    if (v > 0.7) return c == 1 ? 0.35 + 0.3 * std::sin(u * 40) * std::sin(v * 30) : 0.15;  // grass
    if (u < 0.2 && (x / 3) % 2 == 0) return 0.1;                                       // stripes
    return c == 0 ? 0.3 + 0.5 * v : c == 1 ? 0.5 + 0.3 * v : 0.95 - 0.2 * u;           // sky
}

// An alpha that goes from clear on the left to opaque on the right, with a clear hole.
double Alpha(int x, int y, int width, int height)
{
    const double u = static_cast<double>(x) / width;
    const double v = static_cast<double>(y) / height;
    if ((u - 0.3) * (u - 0.3) + (v - 0.6) * (v - 0.6) < 0.01) return 0;
    return u;
}

unsigned Scaled(double value, int bits) { return static_cast<unsigned>(std::lround(std::clamp(value, 0.0, 1.0) * ((1u << bits) - 1))); }

struct CWriter {
    std::filesystem::path folder;
    bool seeds;
    int width;
    int height;

    void Write(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        const std::filesystem::path dir = seeds ? folder / ("fuzz_" + target) : folder;
        std::filesystem::create_directories(dir);
        WriteFile((dir / name).string(), bytes);
    }
};

void WriteBmps(const CWriter& w)
{
    const int width = w.width;
    const int height = w.height;
    std::vector<std::array<std::uint8_t, 3>> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back({static_cast<std::uint8_t>(i / 32 * 36), static_cast<std::uint8_t>(i / 4 % 8 * 36),
                           static_cast<std::uint8_t>(i % 4 * 85)});
    const auto index = [&](int x, int y, int bits) {
        const unsigned r = Scaled(Picture(0, x, y, width, height), 3);
        const unsigned g = Scaled(Picture(1, x, y, width, height), 3);
        const unsigned b = Scaled(Picture(2, x, y, width, height), 2);
        const unsigned full = r << 5 | g << 2 | b;
        return bits == 8 ? full : bits == 4 ? full % 16 : full % 2;
    };
    const auto indexed = [&](int bits, int compression, int header) {
        BmpSpec bmp;
        bmp.width = width;
        bmp.height = height;
        bmp.bitCount = bits;
        bmp.compression = compression;
        bmp.headerSize = header;
        bmp.palette.assign(palette.begin(), palette.begin() + (1 << bits));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) bmp.pixels.push_back(index(x, y, bits));
        return bmp;
    };
    w.Write("bmp", "bmp-1bit.bmp", WriteBmp(indexed(1, 0, 40)));
    w.Write("bmp", "bmp-4bit.bmp", WriteBmp(indexed(4, 0, 40)));
    w.Write("bmp", "bmp-8bit.bmp", WriteBmp(indexed(8, 0, 40)));
    w.Write("bmp", "bmp-8bit-os2.bmp", WriteBmp(indexed(8, 0, 12)));
    w.Write("bmp", "bmp-rle8.bmp", WriteBmp(indexed(8, 1, 40)));
    w.Write("bmp", "bmp-rle4.bmp", WriteBmp(indexed(4, 2, 40)));

    const auto colour = [&](int bits, int compression, int header, bool topDown, bool alpha) {
        BmpSpec bmp;
        bmp.width = width;
        bmp.height = height;
        bmp.bitCount = bits;
        bmp.compression = compression;
        bmp.headerSize = header;
        bmp.topDown = topDown;
        if (bits == 16) bmp.masks = {0xF800, 0x07E0, 0x001F, 0};
        if (bits == 32) bmp.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, alpha ? 0xFF000000u : 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (bits == 16) {
                    bmp.pixels.push_back(Scaled(Picture(0, x, y, width, height), 5) << 11 |
                                         Scaled(Picture(1, x, y, width, height), 6) << 5 | Scaled(Picture(2, x, y, width, height), 5));
                    continue;
                }
                std::uint32_t pixel = Scaled(Picture(0, x, y, width, height), 8) << 16 |
                                      Scaled(Picture(1, x, y, width, height), 8) << 8 | Scaled(Picture(2, x, y, width, height), 8);
                if (alpha) pixel |= Scaled(Alpha(x, y, width, height), 8) << 24;
                bmp.pixels.push_back(pixel);
            }
        return bmp;
    };
    w.Write("bmp", "bmp-16bit-565.bmp", WriteBmp(colour(16, 3, 40, false, false)));
    w.Write("bmp", "bmp-24bit.bmp", WriteBmp(colour(24, 0, 40, false, false)));
    w.Write("bmp", "bmp-24bit-topdown.bmp", WriteBmp(colour(24, 0, 40, true, false)));
    w.Write("bmp", "bmp-32bit.bmp", WriteBmp(colour(32, 0, 40, false, false)));
    w.Write("bmp", "bmp-32bit-alpha-v5.bmp", WriteBmp(colour(32, 3, 124, false, true)));
}

#if VANTREL_STUDIO_Jpeg
void WriteJpegs(const CWriter& w)
{
    const auto jpeg = [&](int channels) {
        JpegSpec shape;
        shape.width = w.width;
        shape.height = w.height;
        shape.channels = channels;
        shape.quality = 90;
        FillInterleaved(shape.samples, w.width, w.height, channels, [&](int c, int x, int y) {
            if (channels == 1) return Scaled(0.3 * Picture(0, x, y, w.width, w.height) + 0.59 * Picture(1, x, y, w.width, w.height) +
                                                 0.11 * Picture(2, x, y, w.width, w.height), 8);
            if (channels == 3) return Scaled(Picture(c, x, y, w.width, w.height), 8);
            // Inverted inks, as Adobe's writers store them: 255 is none.
            const double k = 1 - std::max({Picture(0, x, y, w.width, w.height), Picture(1, x, y, w.width, w.height),
                                           Picture(2, x, y, w.width, w.height)});
            const double ink = c == 3 ? k : k >= 1 ? 0 : (1 - Picture(c, x, y, w.width, w.height) - k) / (1 - k);
            return 255 - Scaled(ink, 8);
        });
        return shape;
    };
    w.Write("jpeg", "jpeg-baseline.jpg", WriteJpeg(jpeg(3)));
    JpegSpec progressive = jpeg(3);
    progressive.progressive = true;
    w.Write("jpeg", "jpeg-progressive.jpg", WriteJpeg(progressive));
    w.Write("jpeg", "jpeg-grey.jpg", WriteJpeg(jpeg(1)));
    w.Write("jpeg", "jpeg-cmyk.jpg", WriteJpeg(jpeg(4)));
    JpegSpec ycck = jpeg(4);
    ycck.ycck = true;
    w.Write("jpeg", "jpeg-ycck.jpg", WriteJpeg(ycck));
    JpegSpec turned = jpeg(3);
    turned.orientation = 6;
    w.Write("jpeg", "jpeg-exif-orientation-6.jpg", WriteJpeg(turned));
    turned.orientation = 3;
    turned.progressive = true;
    w.Write("jpeg", "jpeg-exif-orientation-3-progressive.jpg", WriteJpeg(turned));
}
#endif

#if VANTREL_STUDIO_Png
void WritePngs(const CWriter& w)
{
    const auto png = [&](int type, int depth, bool interlace) {
        PngSpec shape;
        shape.width = w.width;
        shape.height = w.height;
        shape.colorType = type;
        shape.bitDepth = depth;
        shape.interlace = interlace;
        const int channels = type == 0 || type == 3 ? 1 : type == 4 ? 2 : type == 2 ? 3 : 4;
        FillInterleaved(shape.samples, w.width, w.height, channels, [&](int c, int x, int y) -> unsigned {
            const bool alpha = (type == 4 && c == 1) || (type == 6 && c == 3);
            if (alpha) return Scaled(Alpha(x, y, w.width, w.height), depth);
            if (type == 3) return (Scaled(Picture(0, x, y, w.width, w.height), 8) / 64 * 4 + Scaled(Picture(1, x, y, w.width, w.height), 8) / 64) % (1u << depth);
            if (type == 0 || type == 4)
                return Scaled((Picture(0, x, y, w.width, w.height) + Picture(1, x, y, w.width, w.height) + Picture(2, x, y, w.width, w.height)) / 3, depth);
            return Scaled(Picture(c, x, y, w.width, w.height), depth);
        });
        if (type == 3)
            for (int i = 0; i < (1 << depth); ++i)
                shape.palette.push_back({static_cast<std::uint8_t>(i / 4 * 85 % 256), static_cast<std::uint8_t>(i % 4 * 85), 120});
        return shape;
    };
    for (int depth : {1, 2, 4, 8, 16}) w.Write("png", "png-grey-" + std::to_string(depth) + ".png", WritePng(png(0, depth, false)));
    for (int depth : {8, 16}) {
        w.Write("png", "png-rgb-" + std::to_string(depth) + ".png", WritePng(png(2, depth, false)));
        w.Write("png", "png-grey-alpha-" + std::to_string(depth) + ".png", WritePng(png(4, depth, false)));
        w.Write("png", "png-rgba-" + std::to_string(depth) + ".png", WritePng(png(6, depth, false)));
    }
    for (int depth : {1, 2, 4, 8}) w.Write("png", "png-palette-" + std::to_string(depth) + ".png", WritePng(png(3, depth, false)));
    PngSpec trns = png(3, 4, false);
    trns.paletteAlpha = {0, 60, 255, 128, 255, 200};
    w.Write("png", "png-palette-trns.png", WritePng(trns));
    PngSpec greyKey = png(0, 8, false);
    greyKey.transparent = {greyKey.samples[0]};
    w.Write("png", "png-grey-trns.png", WritePng(greyKey));
    w.Write("png", "png-rgba-8-interlaced.png", WritePng(png(6, 8, true)));
    w.Write("png", "png-palette-2-interlaced.png", WritePng(png(3, 2, true)));
}
#endif

#if VANTREL_STUDIO_Gif
void WriteGifs(const CWriter& w)
{
    GifSpec gif;
    gif.screenWidth = gif.width = w.width;
    gif.screenHeight = gif.height = w.height;
    for (int i = 0; i < 256; ++i)
        gif.colours.push_back({static_cast<std::uint8_t>(i / 32 * 36), static_cast<std::uint8_t>(i / 4 % 8 * 36),
                               static_cast<std::uint8_t>(i % 4 * 85)});
    for (int y = 0; y < w.height; ++y)
        for (int x = 0; x < w.width; ++x)
            gif.indices.push_back(static_cast<std::uint8_t>(Scaled(Picture(0, x, y, w.width, w.height), 3) << 5 |
                                                            Scaled(Picture(1, x, y, w.width, w.height), 3) << 2 |
                                                            Scaled(Picture(2, x, y, w.width, w.height), 2)));
    w.Write("gif", "gif-plain.gif", WriteGif(gif));
    GifSpec transparent = gif;
    transparent.transparent = gif.indices[0];
    transparent.interlace = true;
    transparent.secondFrame.assign(gif.indices.size(), 7);
    w.Write("gif", "gif-interlaced-transparent.gif", WriteGif(transparent));
    GifSpec framed = gif;
    framed.screenWidth = w.width + w.width / 4;
    framed.screenHeight = w.height + w.height / 5;
    framed.left = w.width / 8;
    framed.top = w.height / 10;
    framed.localColours = true;
    // With a transparent index the screen around the frame is clear to every reader; without
    // one, readers differ (the studio shows it clear, as an editor's new layer, Pillow shows
    // colour 0).
    framed.transparent = 255;
    w.Write("gif", "gif-frame-on-larger-screen.gif", WriteGif(framed));
}
#endif

#if VANTREL_STUDIO_Tiff
void WriteTiffs(const CWriter& w)
{
    const auto tiff = [&](int photometric, int samples, int bits) {
        TiffSpec shape;
        shape.width = w.width;
        shape.height = w.height;
        shape.photometric = photometric;
        shape.samplesPerPixel = samples;
        shape.bits = bits;
        FillInterleaved(shape.samples, w.width, w.height, samples, [&](int c, int x, int y) -> unsigned {
            const double r = Picture(0, x, y, w.width, w.height);
            const double g = Picture(1, x, y, w.width, w.height);
            const double b = Picture(2, x, y, w.width, w.height);
            switch (photometric) {
            case PHOTOMETRIC_MINISBLACK: return c == 0 ? Scaled((r + g + b) / 3, bits) : Scaled(Alpha(x, y, w.width, w.height), bits);
            case PHOTOMETRIC_PALETTE: return (Scaled(r, 8) / 64 * 4 + Scaled(g, 8) / 64) % (1u << bits);
            case PHOTOMETRIC_SEPARATED: {
                const double k = 1 - std::max({r, g, b});
                return c == 3 ? Scaled(k, bits) : Scaled(k >= 1 ? 0 : (1 - Picture(c, x, y, w.width, w.height) - k) / (1 - k), bits);
            }
            default: return c < 3 ? Scaled(Picture(c, x, y, w.width, w.height), bits) : Scaled(Alpha(x, y, w.width, w.height), bits);
            }
        });
        if (photometric == PHOTOMETRIC_PALETTE)
            for (int c = 0; c < 3; ++c)
                for (int i = 0; i < (1 << bits); ++i)
                    shape.colormap.push_back(static_cast<std::uint16_t>((c == 0 ? i / 4 * 85 : c == 1 ? i % 4 * 85 : 120) % 256 * 257));
        return shape;
    };
    TiffSpec rgb = tiff(PHOTOMETRIC_RGB, 3, 8);
    w.Write("tiff", "tiff-rgb-8-none.tif", WriteTiff(rgb));
    rgb.compression = COMPRESSION_LZW;
    rgb.predictor = 2;
    w.Write("tiff", "tiff-rgb-8-lzw-predictor.tif", WriteTiff(rgb));
    TiffSpec rgb16 = tiff(PHOTOMETRIC_RGB, 3, 16);
    rgb16.compression = COMPRESSION_ADOBE_DEFLATE;
    w.Write("tiff", "tiff-rgb-16-deflate.tif", WriteTiff(rgb16));
    TiffSpec tiles = tiff(PHOTOMETRIC_RGB, 3, 8);
    tiles.tileWidth = tiles.tileHeight = 64;
    tiles.compression = COMPRESSION_PACKBITS;
    w.Write("tiff", "tiff-rgb-8-tiles-packbits.tif", WriteTiff(tiles));
    TiffSpec planar = tiff(PHOTOMETRIC_RGB, 3, 8);
    planar.separatePlanes = true;
    planar.compression = COMPRESSION_LZW;
    planar.bigEndian = true;
    w.Write("tiff", "tiff-rgb-8-planar-lzw-bigendian.tif", WriteTiff(planar));
    TiffSpec rgba = tiff(PHOTOMETRIC_RGB, 4, 8);
    rgba.extraSamples = {EXTRASAMPLE_UNASSALPHA};
    rgba.compression = COMPRESSION_ADOBE_DEFLATE;
    w.Write("tiff", "tiff-rgba-8-deflate.tif", WriteTiff(rgba));
    TiffSpec grey = tiff(PHOTOMETRIC_MINISBLACK, 1, 8);
    w.Write("tiff", "tiff-grey-8.tif", WriteTiff(grey));
    TiffSpec grey16 = tiff(PHOTOMETRIC_MINISBLACK, 1, 16);
    grey16.tileWidth = grey16.tileHeight = 32;
    w.Write("tiff", "tiff-grey-16-tiles.tif", WriteTiff(grey16));
    TiffSpec bilevel = tiff(PHOTOMETRIC_MINISBLACK, 1, 1);
    bilevel.compression = COMPRESSION_PACKBITS;
    w.Write("tiff", "tiff-bilevel-packbits.tif", WriteTiff(bilevel));
    w.Write("tiff", "tiff-palette-4.tif", WriteTiff(tiff(PHOTOMETRIC_PALETTE, 1, 4)));
    TiffSpec palette8 = tiff(PHOTOMETRIC_PALETTE, 1, 8);
    palette8.compression = COMPRESSION_LZW;
    w.Write("tiff", "tiff-palette-8-lzw.tif", WriteTiff(palette8));
    w.Write("tiff", "tiff-cmyk-8.tif", WriteTiff(tiff(PHOTOMETRIC_SEPARATED, 4, 8)));
    TiffSpec cmyk16 = tiff(PHOTOMETRIC_SEPARATED, 4, 16);
    cmyk16.tileWidth = cmyk16.tileHeight = 32;
    cmyk16.separatePlanes = true;
    cmyk16.compression = COMPRESSION_ADOBE_DEFLATE;
    w.Write("tiff", "tiff-cmyk-16-tiles-planar-deflate.tif", WriteTiff(cmyk16));
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--seeds")) {
        std::cerr << "usage: make_raster_samples OUTPUT_DIR [--seeds]\n";
        return 2;
    }
    const bool seeds = argc == 3;
    // Picture-sized samples at a size that is no multiple of the capture's; seeds tiny, and odd.
    const CWriter writer{argv[1], seeds, seeds ? 13 : 643, seeds ? 9 : 481};
    try {
        WriteBmps(writer);
#if VANTREL_STUDIO_Jpeg
        WriteJpegs(writer);
#endif
#if VANTREL_STUDIO_Png
        WritePngs(writer);
#endif
#if VANTREL_STUDIO_Gif
        WriteGifs(writer);
#endif
#if VANTREL_STUDIO_Tiff
        WriteTiffs(writer);
#endif
    } catch (const std::exception& error) {
        std::cerr << "make_raster_samples: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
