#include "RasterWriters.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#if VANTREL_STUDIO_Jpeg
#include <jpeglib.h>
#endif
#if VANTREL_STUDIO_Png
#include <png.h>
#endif
#if VANTREL_STUDIO_Gif
#include <gif_lib.h>
#endif
#if VANTREL_STUDIO_Tiff
#include <tiffio.h>
#endif

namespace vantrel::testing {

namespace {
void PutLe16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

// Runs of one index, each row ended, the bitmap ended: what a plain RLE encoder writes.
std::vector<std::uint8_t> EncodeRuns(const BmpSpec& bmp)
{
    std::vector<std::uint8_t> out;
    for (int row = bmp.height - 1; row >= 0; --row) {
        const std::uint32_t* pixels = bmp.pixels.data() + static_cast<std::size_t>(row) * bmp.width;
        for (int x = 0; x < bmp.width;) {
            int run = 1;
            while (x + run < bmp.width && run < 255 && pixels[x + run] == pixels[x]) ++run;
            out.push_back(static_cast<std::uint8_t>(run));
            const auto index = static_cast<std::uint8_t>(pixels[x]);
            out.push_back(bmp.compression == 2 ? static_cast<std::uint8_t>(index << 4 | index) : index);
            x += run;
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}
}  // namespace

std::vector<std::uint8_t> WriteBmp(const BmpSpec& bmp)
{
    const bool core = bmp.headerSize == 12;
    const bool rle = bmp.compression == 1 || bmp.compression == 2;
    std::vector<std::uint8_t> info;
    PutLe32(info, static_cast<std::uint32_t>(bmp.headerSize));
    if (core) {
        PutLe16(info, static_cast<unsigned>(bmp.width));
        PutLe16(info, static_cast<unsigned>(bmp.height));
        PutLe16(info, 1);
        PutLe16(info, static_cast<unsigned>(bmp.bitCount));
    } else {
        PutLe32(info, static_cast<std::uint32_t>(bmp.width));
        PutLe32(info, static_cast<std::uint32_t>(bmp.topDown ? -bmp.height : bmp.height));
        PutLe16(info, 1);
        PutLe16(info, static_cast<unsigned>(bmp.bitCount));
        PutLe32(info, static_cast<std::uint32_t>(bmp.compression));
        PutLe32(info, 0);
        PutLe32(info, 2835);
        PutLe32(info, 2835);
        const std::size_t full = bmp.bitCount <= 8 ? std::size_t{1} << bmp.bitCount : 0;
        PutLe32(info, bmp.palette.size() < full ? static_cast<std::uint32_t>(bmp.palette.size()) : 0);
        PutLe32(info, 0);
        const int fieldsInHeader = bmp.headerSize >= 56 ? 4 : bmp.headerSize >= 52 ? 3 : 0;
        for (int i = 0; i < fieldsInHeader; ++i) PutLe32(info, bmp.masks[static_cast<std::size_t>(i)]);
        info.resize(static_cast<std::size_t>(bmp.headerSize), 0);
        if (bmp.headerSize == 40 && (bmp.compression == 3 || bmp.compression == 6))
            for (int i = 0; i < (bmp.compression == 6 ? 4 : 3); ++i) PutLe32(info, bmp.masks[static_cast<std::size_t>(i)]);
    }
    for (const auto& colour : bmp.palette) {
        info.insert(info.end(), {colour[2], colour[1], colour[0]});
        if (!core) info.push_back(0);
    }

    std::vector<std::uint8_t> data;
    if (rle) {
        data = bmp.runLengthData.empty() ? EncodeRuns(bmp) : bmp.runLengthData;
    } else {
        const std::size_t rowBytes = (static_cast<std::size_t>(bmp.width) * bmp.bitCount + 31) / 32 * 4;
        for (int r = 0; r < bmp.height; ++r) {
            const int row = bmp.topDown ? r : bmp.height - 1 - r;
            std::vector<std::uint8_t> bytes(rowBytes, 0);
            for (int x = 0; x < bmp.width; ++x) {
                const std::uint32_t pixel = bmp.pixels[static_cast<std::size_t>(row) * bmp.width + x];
                switch (bmp.bitCount) {
                case 1:
                case 4:
                case 8: {
                    const int perByte = 8 / bmp.bitCount;
                    const int shift = 8 - bmp.bitCount * (x % perByte + 1);
                    bytes[static_cast<std::size_t>(x / perByte)] |= static_cast<std::uint8_t>(pixel << shift);
                    break;
                }
                case 16:
                    bytes[2 * x] = static_cast<std::uint8_t>(pixel);
                    bytes[2 * x + 1] = static_cast<std::uint8_t>(pixel >> 8);
                    break;
                case 24:
                    bytes[3 * x] = static_cast<std::uint8_t>(pixel);
                    bytes[3 * x + 1] = static_cast<std::uint8_t>(pixel >> 8);
                    bytes[3 * x + 2] = static_cast<std::uint8_t>(pixel >> 16);
                    break;
                case 32:
                    for (int b = 0; b < 4; ++b) bytes[4 * x + b] = static_cast<std::uint8_t>(pixel >> (8 * b));
                    break;
                default:
                    throw std::runtime_error("WriteBmp: bit count " + std::to_string(bmp.bitCount));
                }
            }
            data.insert(data.end(), bytes.begin(), bytes.end());
        }
    }

    std::vector<std::uint8_t> out = {'B', 'M'};
    const std::uint32_t offset = 14 + static_cast<std::uint32_t>(info.size());
    PutLe32(out, offset + static_cast<std::uint32_t>(data.size()));
    PutLe32(out, 0);
    PutLe32(out, offset);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

#if VANTREL_STUDIO_Jpeg
namespace {
struct CJpegWriteErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};
[[noreturn]] void OnJpegWriteError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<CJpegWriteErrors*>(info->err)->jump, 1);
}

// An APP1 block with one entry: the orientation.
std::vector<std::uint8_t> ExifWithOrientation(int orientation)
{
    std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                                      0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<std::uint8_t>(orientation), 0, 0,
                                      0, 0, 0, 0};
    return exif;
}

// libjpeg's compressor writing into memory it allocates; copied out and freed here.
bool Compress(const JpegSpec& jpeg, unsigned char*& buffer, unsigned long& size)
{
    jpeg_compress_struct info{};
    CJpegWriteErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegWriteError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(jpeg.width);
    info.image_height = static_cast<JDIMENSION>(jpeg.height);
    info.input_components = jpeg.channels;
    info.in_color_space = jpeg.channels == 1 ? JCS_GRAYSCALE : jpeg.channels == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    if (jpeg.channels == 4) {
        jpeg_set_colorspace(&info, jpeg.ycck ? JCS_YCCK : JCS_CMYK);
        info.write_Adobe_marker = jpeg.adobeMarker ? TRUE : FALSE;
    }
    jpeg_set_quality(&info, jpeg.quality, TRUE);
    if (jpeg.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (jpeg.orientation > 0) {
        const auto exif = ExifWithOrientation(jpeg.orientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    const std::size_t rowBytes = static_cast<std::size_t>(jpeg.width) * jpeg.channels;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(jpeg.samples.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}
}  // namespace

std::vector<std::uint8_t> WriteJpeg(const JpegSpec& jpeg)
{
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool written = Compress(jpeg, buffer, size);
    std::vector<std::uint8_t> bytes(buffer, buffer + (written ? size : 0));
    std::free(buffer);
    if (!written) throw std::runtime_error("WriteJpeg: libjpeg refused");
    return bytes;
}
#endif

#if VANTREL_STUDIO_Png
namespace {
[[noreturn]] void OnPngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWriteWarning(png_structp, png_const_charp) {}
void AppendPng(png_structp png, png_bytep data, std::size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushPng(png_structp) {}

bool Encode(const PngSpec& shape, std::vector<std::uint8_t>& out, std::vector<std::vector<png_byte>>& rows,
            png_color* palette, png_color_16* transparent)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngWriteError, OnPngWriteWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendPng, FlushPng);
    png_set_IHDR(png, info, static_cast<png_uint_32>(shape.width), static_cast<png_uint_32>(shape.height),
                 shape.bitDepth, shape.colorType, shape.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!shape.palette.empty()) png_set_PLTE(png, info, palette, static_cast<int>(shape.palette.size()));
    if (!shape.paletteAlpha.empty())
        png_set_tRNS(png, info, shape.paletteAlpha.data(), static_cast<int>(shape.paletteAlpha.size()), nullptr);
    if (!shape.transparent.empty()) png_set_tRNS(png, info, nullptr, 0, transparent);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
}  // namespace

std::vector<std::uint8_t> WritePng(const PngSpec& shape)
{
    const int channels = shape.colorType == 0 || shape.colorType == 3 ? 1 : shape.colorType == 4 ? 2 : shape.colorType == 2 ? 3 : 4;
    const std::size_t perRow = static_cast<std::size_t>(shape.width) * channels;
    const std::size_t rowBytes = (perRow * shape.bitDepth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(static_cast<std::size_t>(shape.height), std::vector<png_byte>(rowBytes, 0));
    for (int y = 0; y < shape.height; ++y) {
        for (std::size_t i = 0; i < perRow; ++i) {
            const unsigned value = shape.samples[static_cast<std::size_t>(y) * perRow + i];
            auto& row = rows[static_cast<std::size_t>(y)];
            if (shape.bitDepth == 16) {
                row[2 * i] = static_cast<png_byte>(value >> 8);
                row[2 * i + 1] = static_cast<png_byte>(value);
            } else if (shape.bitDepth == 8) {
                row[i] = static_cast<png_byte>(value);
            } else {
                const std::size_t bit = i * shape.bitDepth;
                row[bit / 8] |= static_cast<png_byte>(value << (8 - shape.bitDepth - bit % 8));
            }
        }
    }
    std::vector<png_color> palette;
    for (const auto& c : shape.palette) palette.push_back({c[0], c[1], c[2]});
    png_color_16 transparent{};
    if (shape.transparent.size() == 1) transparent.gray = shape.transparent[0];
    if (shape.transparent.size() == 3) {
        transparent.red = shape.transparent[0];
        transparent.green = shape.transparent[1];
        transparent.blue = shape.transparent[2];
    }
    std::vector<std::uint8_t> out;
    if (!Encode(shape, out, rows, palette.data(), &transparent)) throw std::runtime_error("WritePng: libpng refused");
    return out;
}
#endif

#if VANTREL_STUDIO_Gif
namespace {
int AppendGif(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

void PutFrame(GifFileType* gif, const GifSpec& shape, const std::vector<std::uint8_t>& indices, ColorMapObject* local)
{
    if (EGifPutImageDesc(gif, shape.left, shape.top, shape.width, shape.height, shape.interlace, local) == GIF_ERROR)
        throw std::runtime_error("WriteGif: image descriptor");
    std::vector<int> order;
    if (shape.interlace) {
        for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int r = start; r < shape.height; r += step) order.push_back(r);
    } else {
        for (int r = 0; r < shape.height; ++r) order.push_back(r);
    }
    for (int r : order) {
        auto* line = const_cast<GifPixelType*>(indices.data() + static_cast<std::size_t>(r) * shape.width);
        if (EGifPutLine(gif, line, shape.width) == GIF_ERROR) throw std::runtime_error("WriteGif: line");
    }
}
}  // namespace

std::vector<std::uint8_t> WriteGif(const GifSpec& shape)
{
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGif, &error);
    if (!gif) throw std::runtime_error("WriteGif: EGifOpen");
    std::vector<GifColorType> colours;
    for (const auto& c : shape.colours) colours.push_back({c[0], c[1], c[2]});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    try {
        EGifSetGifVersion(gif, true);
        if (EGifPutScreenDesc(gif, shape.screenWidth, shape.screenHeight, 8, 0, shape.localColours ? nullptr : map) == GIF_ERROR)
            throw std::runtime_error("WriteGif: screen descriptor");
        if (shape.transparent >= 0) {
            GraphicsControlBlock control{};
            control.TransparentColor = shape.transparent;
            GifByteType extension[4];
            const std::size_t length = EGifGCBToExtension(&control, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
        }
        PutFrame(gif, shape, shape.indices, shape.localColours ? map : nullptr);
        if (!shape.secondFrame.empty()) PutFrame(gif, shape, shape.secondFrame, shape.localColours ? map : nullptr);
    } catch (...) {
        GifFreeMapObject(map);
        EGifCloseFile(gif, nullptr);
        throw;
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) == GIF_ERROR) throw std::runtime_error("WriteGif: close");
    return out;
}
#endif

#if VANTREL_STUDIO_Tiff
namespace {
struct CMemoryTiff {
    std::vector<std::uint8_t> bytes;
    std::uint64_t position = 0;
};
tmsize_t ReadMemory(thandle_t handle, void* into, tmsize_t size)
{
    auto* file = static_cast<CMemoryTiff*>(handle);
    const std::uint64_t left = file->position < file->bytes.size() ? file->bytes.size() - file->position : 0;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, static_cast<std::uint64_t>(size)));
    std::memcpy(into, file->bytes.data() + file->position, count);
    file->position += count;
    return static_cast<tmsize_t>(count);
}
tmsize_t WriteMemory(thandle_t handle, void* from, tmsize_t size)
{
    auto* file = static_cast<CMemoryTiff*>(handle);
    const auto count = static_cast<std::size_t>(size);
    if (file->bytes.size() < file->position + count) file->bytes.resize(file->position + count);
    std::memcpy(file->bytes.data() + file->position, from, count);
    file->position += count;
    return size;
}
toff_t SeekMemory(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<CMemoryTiff*>(handle);
    file->position = whence == SEEK_SET ? offset : whence == SEEK_CUR ? file->position + offset : file->bytes.size() + offset;
    return file->position;
}
int CloseMemory(thandle_t) { return 0; }
toff_t SizeMemory(thandle_t handle) { return static_cast<CMemoryTiff*>(handle)->bytes.size(); }
int MapMemory(thandle_t, void**, toff_t*) { return 0; }
void UnmapMemory(thandle_t, void*, toff_t) {}

// Packs samples of one row (interleaved, or one plane's) as libtiff wants them in memory.
std::vector<std::uint8_t> PackRow(const TiffSpec& shape, int y, int firstColumn, int columns, int plane)
{
    const int perPixel = shape.separatePlanes ? 1 : shape.samplesPerPixel;
    const std::size_t count = static_cast<std::size_t>(columns) * perPixel;
    std::vector<std::uint8_t> out((count * shape.bits + 7) / 8, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t x = firstColumn + i / perPixel;
        const std::size_t s = shape.separatePlanes ? static_cast<std::size_t>(plane) : i % perPixel;
        const std::uint16_t value =
            x < static_cast<std::size_t>(shape.width) && y < shape.height
                ? shape.samples[(static_cast<std::size_t>(y) * shape.width + x) * shape.samplesPerPixel + s]
                : 0;
        if (shape.bits == 16) {
            std::memcpy(&out[2 * i], &value, 2);
        } else if (shape.bits == 8) {
            out[i] = static_cast<std::uint8_t>(value);
        } else {
            const std::size_t bit = i * shape.bits;
            out[bit / 8] |= static_cast<std::uint8_t>(value << (8 - shape.bits - bit % 8));
        }
    }
    return out;
}
}  // namespace

std::vector<std::uint8_t> WriteTiff(const TiffSpec& shape)
{
    CMemoryTiff file;
    TIFF* tiff = TIFFClientOpen("memory", shape.bigEndian ? "wb" : "wl", &file, ReadMemory, WriteMemory, SeekMemory,
                                CloseMemory, SizeMemory, MapMemory, UnmapMemory);
    if (!tiff) throw std::runtime_error("WriteTiff: TIFFClientOpen");
    bool ok = true;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(shape.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(shape.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(shape.bits));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(shape.samplesPerPixel));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(shape.photometric));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
                 static_cast<std::uint16_t>(shape.separatePlanes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(shape.compression));
    if (shape.predictor != 1) TIFFSetField(tiff, TIFFTAG_PREDICTOR, static_cast<std::uint16_t>(shape.predictor));
    if (shape.orientation > 0) TIFFSetField(tiff, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(shape.orientation));
    if (!shape.extraSamples.empty())
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, static_cast<std::uint16_t>(shape.extraSamples.size()),
                     shape.extraSamples.data());
    if (!shape.colormap.empty()) {
        const std::size_t entries = shape.colormap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, shape.colormap.data(), shape.colormap.data() + entries,
                     shape.colormap.data() + 2 * entries);
    }
    const int planes = shape.separatePlanes ? shape.samplesPerPixel : 1;
    if (shape.tileWidth > 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(shape.tileWidth));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(shape.tileHeight));
        for (int plane = 0; plane < planes && ok; ++plane)
            for (int top = 0; top < shape.height && ok; top += shape.tileHeight)
                for (int left = 0; left < shape.width && ok; left += shape.tileWidth) {
                    std::vector<std::uint8_t> tile;
                    for (int r = 0; r < shape.tileHeight; ++r) {
                        const auto row = PackRow(shape, top + r, left, shape.tileWidth, plane);
                        tile.insert(tile.end(), row.begin(), row.end());
                    }
                    ok = TIFFWriteTile(tiff, tile.data(), static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                                       0, static_cast<std::uint16_t>(plane)) >= 0;
                }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP,
                     shape.rowsPerStrip > 0 ? static_cast<std::uint32_t>(shape.rowsPerStrip) : TIFFDefaultStripSize(tiff, 0));
        for (int plane = 0; plane < planes && ok; ++plane)
            for (int y = 0; y < shape.height && ok; ++y) {
                auto row = PackRow(shape, y, 0, shape.width, plane);
                ok = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane)) >= 0;
            }
    }
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    if (!ok) throw std::runtime_error("WriteTiff: libtiff refused");
    return file.bytes;
}
#endif

}  // namespace vantrel::testing
