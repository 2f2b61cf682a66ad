// TIFF files through libtiff: the first image, in strips or tiles, 1 to 16 bits, greyscale,
// RGB, CMYK and palette, uncompressed, LZW, Deflate or PackBits, with its orientation applied as
// an editor applies it on open.
//
// Memory stays at a row or a tile per sample plane, plus what libtiff holds of one compressed
// strip or tile:
// - strips, samples interleaved: libtiff's scanline reader, one row at a time;
// - strips, one plane per sample: a libtiff handle per plane, each reading its own plane's rows
//   in order (one handle switching planes would decode each strip again from its start for
//   every row);
// - tiles: one tile (per plane) at a time, its rows going to the preview where they lie.

#include "studio/formats/FileKinds.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <tiffio.h>

#include "studio/formats/RasterErrors.h"
#include "studio/formats/RasterLimits.h"
#include "studio/render/RasterPreview.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::render::CRasterPreview;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::render::IsOrientation;
using vantrel::studio::render::PixelLayout;
using vantrel::studio::render::SamplesPerPixel;

namespace vantrel::studio::formats {

namespace {

struct CTiffInput {
    CDocumentFile* file;
    std::uint64_t position = 0;
    CRasterRefusal* refusal;
};

tmsize_t ReadTiff(thandle_t handle, void* into, tmsize_t size)
{
    auto* input = static_cast<CTiffInput*>(handle);
    const std::uint64_t total = input->file->Size();
    if (size <= 0 || input->position >= total) return 0;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size), total - input->position));
    if (!input->file->ReadAt(input->position, static_cast<std::uint8_t*>(into), count)) return -1;
    input->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteTiff(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekTiff(thandle_t handle, toff_t offset, int whence)
{
    auto* input = static_cast<CTiffInput*>(handle);
    switch (whence) {
    case SEEK_SET: input->position = offset; break;
    case SEEK_CUR: input->position += offset; break;
    case SEEK_END: input->position = input->file->Size() + offset; break;
    default: return static_cast<toff_t>(-1);
    }
    return input->position;
}

int CloseTiff(thandle_t) { return 0; }
toff_t SizeTiff(thandle_t handle) { return static_cast<CTiffInput*>(handle)->file->Size(); }
int MapTiff(thandle_t, void**, toff_t*) { return 0; }
void UnmapTiff(thandle_t, void*, toff_t) {}

// libtiff's first error is the refusal; its warnings change nothing shown.
int OnTiffError(TIFF*, void* userData, const char*, const char* format, va_list arguments)
{
    auto* refusal = static_cast<CRasterRefusal*>(userData);
    if (!refusal->Refused()) {
        char message[512];
        std::vsnprintf(message, sizeof message, format, arguments);
        *refusal = CRasterRefusal::Of(RasterError::CodecMessage, OneLine(message));
    }
    return 1;
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct CTiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using CTiffHandle = std::unique_ptr<TIFF, CTiffCloser>;

// Opens the file's first image with the studio's limits and handlers.
CTiffHandle OpenTiff(CTiffInput& input)
{
    // Messages with no file to go to (there are a few) would otherwise print.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxTiffAllocation));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, input.refusal);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, nullptr);
    // "O": strip and tile offsets are read when needed, not as arrays of the claimed count.
    return CTiffHandle(TIFFClientOpenExt("document", "rO", &input, ReadTiff, WriteTiff, SeekTiff, CloseTiff, SizeTiff,
                                         MapTiff, UnmapTiff, options.get()));
}

// What the first image is, and how its samples turn into the pixels shown.
struct CTiffShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bits = 0;
    unsigned samplesPerPixel = 0;
    unsigned photometric = 0;
    bool separatePlanes = false;
    bool tiled = false;
    int orientation = 1;
    unsigned colourSamples = 0;  // 1 grey or palette, 3 RGB, 4 CMYK
    int alphaSample = -1;        // the sample that is alpha, if any
    bool associatedAlpha = false;
    std::vector<std::uint8_t> palette;  // 3 bytes per entry
    PixelLayout layout = PixelLayout::Rgb;
    int colorMode = 3;
    const char* modeName = "RGB";
};

bool ReadShape(TIFF* tiff, CTiffShape& shape, CRasterRefusal& refusal)
{
    std::uint16_t value16 = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &shape.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &shape.height);
    if (!CheckRasterSize(shape.width, shape.height, kMaxRasterSide, refusal)) return false;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &value16);
    shape.bits = value16;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &value16);
    shape.samplesPerPixel = value16;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &value16);
    if (value16 != SAMPLEFORMAT_UINT) {
        refusal = CRasterRefusal::Of(RasterError::SampleFormat);
        return false;
    }
    if (shape.bits != 1 && shape.bits != 2 && shape.bits != 4 && shape.bits != 8 && shape.bits != 16) {
        refusal = CRasterRefusal::Of(RasterError::SampleBits, shape.bits);
        return false;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &value16);
    shape.separatePlanes = value16 == PLANARCONFIG_SEPARATE;
    shape.tiled = TIFFIsTiled(tiff) != 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &value16);
    shape.orientation = IsOrientation(value16) ? value16 : 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &value16);
    switch (value16) {
    case COMPRESSION_NONE:
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_PACKBITS:
        break;
    default:
        refusal = CRasterRefusal::Of(RasterError::Compression, value16);
        return false;
    }

    // Without the tag, as libtiff reads such files: one sample is grey, more are RGB.
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &value16))
        value16 = shape.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    shape.photometric = value16;
    const bool lowDepth = shape.bits < 8;
    switch (shape.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        shape.colourSamples = 1;
        shape.colorMode = shape.bits == 1 ? 0 : 1;
        shape.modeName = shape.bits == 1 ? "Bitmap" : "Grayscale";
        break;
    case PHOTOMETRIC_PALETTE:
        shape.colourSamples = 1;
        shape.colorMode = 2;
        shape.modeName = "Indexed";
        if (shape.bits > 8) {
            refusal = CRasterRefusal::Of(RasterError::LargePalette);
            return false;
        }
        break;
    case PHOTOMETRIC_RGB:
        shape.colourSamples = 3;
        break;
    case PHOTOMETRIC_SEPARATED: {
        std::uint16_t inkSet = INKSET_CMYK;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
        if (inkSet != INKSET_CMYK) {
            refusal = CRasterRefusal::Of(RasterError::Inks);
            return false;
        }
        shape.colourSamples = 4;
        shape.colorMode = 4;
        shape.modeName = "CMYK";
        break;
    }
    default:
        refusal = CRasterRefusal::Of(RasterError::Photometric, shape.photometric);
        return false;
    }
    if ((shape.colourSamples > 1 && lowDepth) || shape.samplesPerPixel < shape.colourSamples) {
        refusal = CRasterRefusal::Of(RasterError::SamplesForColour, shape.samplesPerPixel, shape.bits);
        return false;
    }

    // The first extra sample is transparency when it says so; other extra samples are masks
    // or spot colours, not drawn.
    std::uint16_t extraCount = 0;
    std::uint16_t* extraTypes = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0 &&
        shape.samplesPerPixel > shape.colourSamples &&
        (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)) {
        shape.alphaSample = static_cast<int>(shape.colourSamples);
        shape.associatedAlpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }

    if (shape.photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t* red = nullptr;
        std::uint16_t* green = nullptr;
        std::uint16_t* blue = nullptr;
        if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) {
            refusal = CRasterRefusal::Of(RasterError::NoPalette);
            return false;
        }
        const std::size_t entries = std::size_t{1} << shape.bits;
        // Entries are 16-bit; some writers store 8-bit values in them, as libtiff also allows.
        bool sixteen = false;
        for (std::size_t i = 0; i < entries; ++i) sixteen = sixteen || red[i] > 255 || green[i] > 255 || blue[i] > 255;
        shape.palette.resize(entries * 3);
        for (std::size_t i = 0; i < entries; ++i) {
            shape.palette[3 * i] = static_cast<std::uint8_t>(sixteen ? red[i] >> 8 : red[i]);
            shape.palette[3 * i + 1] = static_cast<std::uint8_t>(sixteen ? green[i] >> 8 : green[i]);
            shape.palette[3 * i + 2] = static_cast<std::uint8_t>(sixteen ? blue[i] >> 8 : blue[i]);
        }
    }

    // Unassociated alpha goes to the preview to composite; associated alpha is composited here.
    const bool alpha = shape.alphaSample >= 0 && !shape.associatedAlpha;
    if (shape.colourSamples == 1 && shape.photometric != PHOTOMETRIC_PALETTE)
        shape.layout = alpha ? PixelLayout::GrayAlpha : PixelLayout::Gray;
    else
        shape.layout = alpha ? PixelLayout::Rgba : PixelLayout::Rgb;
    return true;
}

// Turns stored samples into the preview's pixels. Samples come either interleaved in one
// buffer or each from its own plane's buffer.
class CTiffPixels {
public:
    explicit CTiffPixels(const CTiffShape& shape)
        : shape_(shape), outChannels_(static_cast<std::size_t>(SamplesPerPixel(shape.layout)))
    {
    }

    std::size_t OutputBytes(std::size_t pixels) const { return pixels * outChannels_; }

    // count pixels from pixel first of the row(s); planes[s] is sample s's buffer (for
    // interleaved samples every entry is the same buffer).
    void Convert(const std::uint8_t* const* planes, std::size_t first, std::size_t count, std::uint8_t* out) const
    {
        const unsigned stride = shape_.separatePlanes ? 1 : shape_.samplesPerPixel;
        const auto sample = [&](unsigned s, std::size_t x) -> unsigned {
            const std::uint8_t* data = planes[s];
            const std::size_t index = shape_.separatePlanes ? x : x * stride + s;
            switch (shape_.bits) {
            case 8: return data[index];
            case 16: {
                std::uint16_t value;
                std::memcpy(&value, data + 2 * index, 2);
                return value;
            }
            default: {
                const std::size_t bit = index * shape_.bits;
                return (data[bit / 8] >> (8 - shape_.bits - bit % 8)) & ((1u << shape_.bits) - 1);
            }
            }
        };
        const auto eight = [&](unsigned value) -> unsigned {
            switch (shape_.bits) {
            case 8: return value;
            case 16: return (value * 255 + 32767) / 65535;
            default: return value * 255 / ((1u << shape_.bits) - 1);
            }
        };
        const bool whiteIsZero = shape_.photometric == PHOTOMETRIC_MINISWHITE;
        for (std::size_t k = 0; k < count; ++k, out += outChannels_) {
            const std::size_t x = first + k;
            unsigned rgb[3];
            if (shape_.photometric == PHOTOMETRIC_PALETTE) {
                const std::uint8_t* colour = &shape_.palette[3 * sample(0, x)];
                rgb[0] = colour[0];
                rgb[1] = colour[1];
                rgb[2] = colour[2];
            } else if (shape_.colourSamples == 1) {
                const unsigned grey = eight(sample(0, x));
                rgb[0] = whiteIsZero ? 255 - grey : grey;
            } else if (shape_.colourSamples == 3) {
                for (unsigned s = 0; s < 3; ++s) rgb[s] = eight(sample(s, x));
            } else {
                // What each ink and the black let through: R = (255 - C)(255 - K) / 255.
                const unsigned black = 255 - eight(sample(3, x));
                for (unsigned s = 0; s < 3; ++s) rgb[s] = ((255 - eight(sample(s, x))) * black + 127) / 255;
            }
            const std::size_t colours = shape_.layout == PixelLayout::Gray || shape_.layout == PixelLayout::GrayAlpha ? 1 : 3;
            if (shape_.alphaSample >= 0) {
                const unsigned alpha = eight(sample(static_cast<unsigned>(shape_.alphaSample), x));
                if (shape_.associatedAlpha) {
                    // Colour already multiplied by alpha: white shows through the rest.
                    for (std::size_t c = 0; c < colours; ++c) rgb[c] = std::min(255u, rgb[c] + 255 - alpha);
                } else {
                    out[colours] = static_cast<std::uint8_t>(alpha);
                }
            }
            for (std::size_t c = 0; c < colours; ++c) out[c] = static_cast<std::uint8_t>(rgb[c]);
        }
    }

private:
    const CTiffShape& shape_;
    std::size_t outChannels_;
};

// The samples the preview needs: colour, then alpha if drawn.
unsigned NeededSamples(const CTiffShape& shape)
{
    return shape.alphaSample >= 0 ? static_cast<unsigned>(shape.alphaSample) + 1 : shape.colourSamples;
}

bool CheckBuffer(std::uint64_t bytes, std::uint64_t count, CRasterRefusal& refusal)
{
    if (bytes == 0) {
        if (!refusal.Refused()) refusal = CRasterRefusal::Of(RasterError::DamagedStructure);
        return false;
    }
    if (bytes > kMaxTiffBuffer / count) {
        refusal = CRasterRefusal::Of(RasterError::BufferTooLarge, bytes);
        return false;
    }
    return true;
}

bool RenderStrips(CDocumentFile& file, TIFF* tiff, const CTiffShape& shape, CRasterPreview& preview,
                  CRasterRefusal& refusal)
{
    const CTiffPixels pixels(shape);
    std::vector<std::uint8_t> out(pixels.OutputBytes(shape.width));
    const std::uint64_t rowBytes = TIFFScanlineSize64(tiff);
    if (!shape.separatePlanes) {
        if (!CheckBuffer(rowBytes, 1, refusal)) return false;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
        const std::uint8_t* planes[5];
        std::fill(std::begin(planes), std::end(planes), row.data());
        for (std::uint32_t y = 0; y < shape.height; ++y) {
            if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) return false;
            pixels.Convert(planes, 0, shape.width, out.data());
            preview.AddRow(out.data());
        }
        return true;
    }
    // A handle per plane, each reading its plane top to bottom.
    const unsigned needed = NeededSamples(shape);
    if (!CheckBuffer(rowBytes, needed, refusal)) return false;
    std::vector<CTiffInput> inputs(needed, CTiffInput{&file, 0, &refusal});
    std::vector<CTiffHandle> handles;
    std::vector<std::vector<std::uint8_t>> rows(needed, std::vector<std::uint8_t>(static_cast<std::size_t>(rowBytes)));
    const std::uint8_t* planes[5];
    for (unsigned s = 0; s < needed; ++s) {
        handles.push_back(s == 0 ? nullptr : OpenTiff(inputs[s]));
        if (s > 0 && !handles.back()) return false;
        planes[s] = rows[s].data();
    }
    for (std::uint32_t y = 0; y < shape.height; ++y) {
        for (unsigned s = 0; s < needed; ++s) {
            TIFF* plane = s == 0 ? tiff : handles[s].get();
            if (TIFFReadScanline(plane, rows[s].data(), y, static_cast<std::uint16_t>(s)) < 0) return false;
        }
        pixels.Convert(planes, 0, shape.width, out.data());
        preview.AddRow(out.data());
    }
    return true;
}

bool RenderTiles(TIFF* tiff, const CTiffShape& shape, CRasterPreview& preview, CRasterRefusal& refusal)
{
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    const unsigned buffers = shape.separatePlanes ? NeededSamples(shape) : 1;
    const std::uint64_t tileBytes = TIFFTileSize64(tiff);
    if (tileWidth == 0 || tileHeight == 0 || !CheckBuffer(tileBytes, buffers, refusal)) return false;
    const std::uint64_t tileRowBytes = TIFFTileRowSize64(tiff);
    std::vector<std::vector<std::uint8_t>> tiles(buffers, std::vector<std::uint8_t>(static_cast<std::size_t>(tileBytes)));
    const CTiffPixels pixels(shape);
    std::vector<std::uint8_t> out(pixels.OutputBytes(std::min(tileWidth, shape.width)));
    const std::uint8_t* planes[5];
    for (std::uint32_t top = 0; top < shape.height; top += tileHeight) {
        for (std::uint32_t left = 0; left < shape.width; left += tileWidth) {
            for (unsigned b = 0; b < buffers; ++b)
                if (TIFFReadTile(tiff, tiles[b].data(), left, top, 0, static_cast<std::uint16_t>(b)) < 0) return false;
            const std::uint32_t columns = std::min(tileWidth, shape.width - left);
            const std::uint32_t rows = std::min(tileHeight, shape.height - top);
            for (std::uint32_t r = 0; r < rows; ++r) {
                for (unsigned s = 0; s < 5; ++s) planes[s] = tiles[shape.separatePlanes && s < buffers ? s : 0].data() + r * tileRowBytes;
                pixels.Convert(planes, 0, columns, out.data());
                preview.AddPixels(static_cast<int>(left), static_cast<int>(top + r), 1, static_cast<int>(columns), out.data());
            }
        }
    }
    return true;
}

std::unique_ptr<CRenderedDocument> DecodeTiff(CDocumentFile& file, int previewWidth, int previewHeight,
                                              CRasterRefusal& refusal)
{
    CTiffInput input{&file, 0, &refusal};
    CTiffHandle tiff = OpenTiff(input);
    if (!tiff) {
        if (!refusal.Refused()) refusal = CRasterRefusal::Of(RasterError::DamagedHeader);
        return nullptr;
    }
    CTiffShape shape;
    if (!ReadShape(tiff.get(), shape, refusal)) return nullptr;
    if (NeededSamples(shape) > 5) {
        refusal = CRasterRefusal::Of(RasterError::DamagedStructure);
        return nullptr;
    }
    CRasterPreview preview(static_cast<int>(shape.width), static_cast<int>(shape.height), shape.layout,
                           shape.tiled ? CRasterPreview::Order::AnyOrder : CRasterPreview::Order::TopDown,
                           shape.orientation, previewWidth, previewHeight);
    const bool rendered = shape.tiled ? RenderTiles(tiff.get(), shape, preview, refusal)
                                      : RenderStrips(file, tiff.get(), shape, preview, refusal);
    if (!rendered) {
        if (!refusal.Refused()) refusal = CRasterRefusal::Of(RasterError::DamagedImageData);
        return nullptr;
    }
    return preview.Finish(static_cast<int>(shape.width), static_cast<int>(shape.height), shape.colorMode,
                          shape.modeName);
}

std::unique_ptr<CRenderedDocument> RenderTiff(CDocumentFile& file, int previewWidth, int previewHeight,
                                              std::string& reason)
{
    return RenderRaster("TIFF", DecodeTiff, file, previewWidth, previewHeight, reason);
}

bool LooksLikeTiff(const std::uint8_t* head, std::size_t size)
{
    if (size < 4) return false;
    const bool little = head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43);
    const bool big = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
    return little || big;
}

}  // namespace

const CFileKind kTiffFileKind = {"TIFF", LooksLikeTiff, RenderTiff};

}  // namespace vantrel::studio::formats
