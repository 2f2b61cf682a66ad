#include "studio/formats/BmpDecoder.h"

#include <algorithm>
#include <cstring>

#include "studio/formats/RasterLimits.h"

using vantrel::studio::io::CBufferedReader;

namespace vantrel::studio::formats {

namespace {

constexpr unsigned kRgb = 0;
constexpr unsigned kRle8 = 1;
constexpr unsigned kRle4 = 2;
constexpr unsigned kBitFields = 3;
constexpr unsigned kAlphaBitFields = 6;
constexpr std::uint32_t kMaxInfoHeader = 124;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

bool KnownInfoHeaderSize(std::uint32_t size)
{
    switch (size) {
    case 12:   // OS/2 1.x and Windows 2.x
    case 16:   // OS/2 2.x, shortest form
    case 40:   // BITMAPINFOHEADER
    case 52:   // with RGB bit fields
    case 56:   // with RGBA bit fields
    case 64:   // OS/2 2.x, full form
    case 108:  // BITMAPV4HEADER
    case 124:  // BITMAPV5HEADER
        return true;
    default:
        return false;
    }
}

// A field's value scaled to 8 bits, rounded: v * 255 / (2^width - 1).
inline std::uint8_t ScaleField(std::uint32_t value, unsigned width)
{
    if (width == 8) return static_cast<std::uint8_t>(value);
    if (width == 0) return 0;
    const std::uint64_t top = (std::uint64_t{1} << width) - 1;
    return static_cast<std::uint8_t>((std::uint64_t{value} * 255 + top / 2) / top);
}

}  // namespace

const char* BmpErrorText(BmpError error)
{
    switch (error) {
    case BmpError::None: return "no error";
    case BmpError::Truncated: return "BMP: truncated data";
    case BmpError::NotBmp: return "BMP: no BM signature";
    case BmpError::HeaderSize: return "BMP: an information header of unknown size";
    case BmpError::Dimensions: return "BMP: a side of zero or negative length";
    case BmpError::TooLarge: return "BMP: a side over 300000 or more than 900000000 pixels";
    case BmpError::BitCount: return "BMP: a bit depth its compression does not allow";
    case BmpError::Compression: return "BMP: a compression the studio does not decode (JPEG, PNG, Huffman or RLE24)";
    case BmpError::TopDownRle: return "BMP: run-length data in a top-down bitmap";
    case BmpError::Masks: return "BMP: colour bit fields that overlap or have gaps";
    case BmpError::PixelOffset: return "BMP: pixel data said to start past the end of the file";
    }
    return "BMP: damaged";
}

BmpError CBmpDecoder::ReadHeader()
{
    std::uint8_t fileHeader[18];
    if (!file_.ReadAt(0, fileHeader, sizeof fileHeader)) return BmpError::Truncated;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return BmpError::NotBmp;
    const std::uint32_t dataOffset = Le32(fileHeader + 10);
    const std::uint32_t infoSize = Le32(fileHeader + 14);
    if (!KnownInfoHeaderSize(infoSize)) return BmpError::HeaderSize;
    std::uint8_t info[kMaxInfoHeader] = {};
    if (!file_.ReadAt(14, info, infoSize)) return BmpError::Truncated;

    std::int64_t width = 0;
    std::int64_t height = 0;
    bool core = infoSize == 12;
    if (core) {
        width = Le16(info + 4);
        height = Le16(info + 6);
        header_.bitCount = Le16(info + 10);
    } else {
        width = static_cast<std::int32_t>(Le32(info + 4));
        height = static_cast<std::int32_t>(Le32(info + 8));
        header_.bitCount = Le16(info + 14);
    }
    header_.compression = infoSize >= 20 ? Le32(info + 16) : kRgb;
    const std::uint32_t colorsUsed = infoSize >= 36 ? Le32(info + 32) : 0;
    // OS/2 2.x numbers its compressions differently past RLE4: 3 is Huffman 1D, 4 is RLE24.
    if (infoSize == 64 && header_.compression >= 3) return BmpError::Compression;

    if (width <= 0 || height == 0) return BmpError::Dimensions;
    header_.topDown = height < 0;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    CRasterRefusal ignored;
    if (!CheckRasterSize(static_cast<std::uint64_t>(width), rows, kMaxRasterSide, ignored)) return BmpError::TooLarge;
    header_.width = static_cast<std::uint32_t>(width);
    header_.height = static_cast<std::uint32_t>(rows);

    const unsigned bits = header_.bitCount;
    switch (header_.compression) {
    case kRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return BmpError::BitCount;
        break;
    case kRle8:
        if (bits != 8) return BmpError::BitCount;
        break;
    case kRle4:
        if (bits != 4) return BmpError::BitCount;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (bits != 16 && bits != 32) return BmpError::BitCount;
        break;
    default:
        return BmpError::Compression;
    }
    const bool rle = header_.compression == kRle8 || header_.compression == kRle4;
    if (rle && header_.topDown) return BmpError::TopDownRle;

    // Bit fields: in the header from 52 bytes on, else just after a 40-byte one.
    std::uint64_t after = 14 + std::uint64_t{infoSize};
    const bool fields = header_.compression == kBitFields || header_.compression == kAlphaBitFields;
    if (bits == 16) header_.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (bits == 32) header_.masks = {0xFF0000, 0x00FF00, 0x0000FF, 0};
    if (fields) {
        std::uint8_t masks[16] = {};
        const unsigned count = header_.compression == kAlphaBitFields ? 4 : 3;
        if (infoSize >= 52) {
            std::memcpy(masks, info + 40, infoSize >= 56 ? 16 : 12);
        } else {
            if (!file_.ReadAt(after, masks, 4 * count)) return BmpError::Truncated;
            after += 4 * count;
        }
        const std::array<std::uint32_t, 4> read = {Le32(masks), Le32(masks + 4), Le32(masks + 8), Le32(masks + 12)};
        // No colour fields at all means the default layout (some writers leave them zero).
        if (read[0] | read[1] | read[2]) header_.masks = read;
        else header_.masks[3] = read[3];
        if (bits == 16) {
            for (std::uint32_t& mask : header_.masks) mask &= 0xFFFF;
        }
        header_.hasAlpha = header_.masks[3] != 0;
        if (BmpError error = CheckMasks(); error != BmpError::None) return error;
    } else if (bits == 16 || bits == 32) {
        CheckMasks();
    }

    // The palette: as many entries as the header says are used, up to the depth's, each BGR
    // (OS/2 1.x) or BGRX; entries the file leaves out are black.
    header_.palette.assign(256 * 3, 0);
    if (bits <= 8) {
        const std::uint32_t entries = colorsUsed == 0 || colorsUsed > (1u << bits) ? 1u << bits : colorsUsed;
        const unsigned entryBytes = core ? 3 : 4;
        std::uint8_t table[256 * 4];
        if (!file_.ReadAt(after, table, std::size_t{entries} * entryBytes)) return BmpError::Truncated;
        for (std::uint32_t i = 0; i < entries; ++i) {
            header_.palette[3 * i] = table[i * entryBytes + 2];
            header_.palette[3 * i + 1] = table[i * entryBytes + 1];
            header_.palette[3 * i + 2] = table[i * entryBytes];
        }
        after += std::uint64_t{entries} * entryBytes;
    }

    header_.pixelOffset = dataOffset != 0 ? dataOffset : after;
    if (header_.pixelOffset > file_.Size()) return BmpError::PixelOffset;
    header_.rowBytes = (std::uint64_t{header_.width} * bits + 31) / 32 * 4;
    if (!rle && header_.rowBytes * header_.height > file_.Size() - header_.pixelOffset) return BmpError::Truncated;

    // Checked: now the row buffer: a stored row, or the RGB of one run-length code's pixels.
    row_.resize(rle ? 3 * 255 : static_cast<std::size_t>(header_.rowBytes));
    reader_ = std::make_unique<CBufferedReader>(file_, header_.pixelOffset);
    return BmpError::None;
}

BmpError CBmpDecoder::CheckMasks()
{
    std::uint32_t seen = 0;
    for (std::size_t field = 0; field < 4; ++field) {
        const std::uint32_t mask = header_.masks[field];
        if (mask & seen) return BmpError::Masks;
        seen |= mask;
        if (mask == 0) {
            shifts_[field] = widths_[field] = 0;
            continue;
        }
        unsigned shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        unsigned width = 0;
        while (shift + width < 32 && ((mask >> (shift + width)) & 1) != 0) ++width;
        if (shift + width < 32 && (mask >> (shift + width)) != 0) return BmpError::Masks;
        shifts_[field] = shift;
        widths_[field] = width;
    }
    return BmpError::None;
}

void CBmpDecoder::UnpackPackedRow(const std::uint8_t* row, std::uint8_t* out) const
{
    const std::uint32_t width = header_.width;
    const unsigned channels = header_.hasAlpha ? 4 : 3;
    const std::uint8_t* palette = header_.palette.data();
    switch (header_.bitCount) {
    case 1:
    case 4:
    case 8: {
        const unsigned bits = header_.bitCount;
        const unsigned perByte = 8 / bits;
        const unsigned mask = (1u << bits) - 1;
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const unsigned shift = 8 - bits * (x % perByte + 1);
            const unsigned index = (row[x / perByte] >> shift) & mask;
            std::memcpy(out, palette + 3 * index, 3);
        }
        break;
    }
    case 24:
        for (std::uint32_t x = 0; x < width; ++x, out += 3, row += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
        break;
    case 16:
    case 32: {
        const unsigned bytes = header_.bitCount / 8;
        for (std::uint32_t x = 0; x < width; ++x, out += channels, row += bytes) {
            const std::uint32_t pixel = bytes == 2 ? Le16(row) : Le32(row);
            for (unsigned field = 0; field < channels; ++field)
                out[field] = ScaleField((pixel & header_.masks[field]) >> shifts_[field], widths_[field]);
        }
        break;
    }
    default:
        break;
    }
}

BmpError CBmpDecoder::NextRow(std::uint8_t* out)
{
    if (!reader_->Read(row_.data(), row_.size())) return BmpError::Truncated;
    UnpackPackedRow(row_.data(), out);
    return BmpError::None;
}

// Runs go to the sink as rectangles one row high, literal pixels as pixels, and what the codes
// skip as rectangles of index 0; runs past the row's end are cut.
BmpError CBmpDecoder::DecodeRunLength(CBmpRunSink& sink)
{
    const std::uint32_t width = header_.width;
    const std::uint32_t height = header_.height;
    const std::uint8_t* palette = header_.palette.data();
    const bool four = header_.compression == kRle4;
    std::uint32_t x = 0;  // kept at most width: what lies past it is cut anyway
    std::uint32_t row = 0;
    // Index 0 from (x, row) to the end of that row.
    const auto blankRest = [&]() {
        if (x < width) sink.Fill(x, row, width - x, 1, palette);
    };
    CBufferedReader& in = *reader_;
    while (row < height) {
        const int count = in.Byte();
        const int value = in.Byte();
        if (value < 0) return BmpError::Truncated;
        if (count > 0) {
            // A run: count pixels of one index, or of two alternating ones in RLE4.
            const unsigned first = four ? static_cast<unsigned>(value) >> 4 : static_cast<unsigned>(value);
            const unsigned second = four ? static_cast<unsigned>(value) & 15 : first;
            const std::uint32_t shown = x < width ? std::min<std::uint32_t>(static_cast<std::uint32_t>(count), width - x) : 0;
            if (shown > 0 && first == second) {
                sink.Fill(x, row, shown, 1, palette + 3 * first);
            } else if (shown > 0) {
                for (std::uint32_t i = 0; i < shown; ++i) std::memcpy(&row_[3 * i], palette + 3 * (i % 2 == 0 ? first : second), 3);
                sink.Pixels(x, row, shown, row_.data());
            }
            x = std::min(x + static_cast<std::uint32_t>(count), width);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            blankRest();
            x = 0;
            ++row;
            break;
        case 1:  // end of bitmap: the rest is index 0
            blankRest();
            if (row + 1 < height) sink.Fill(0, row + 1, width, height - row - 1, palette);
            return BmpError::None;
        case 2: {  // delta: right and down
            const int right = in.Byte();
            const int down = in.Byte();
            if (down < 0) return BmpError::Truncated;
            const std::uint32_t target = std::min(x + static_cast<std::uint32_t>(right), width);
            if (down == 0) {
                if (x < target) sink.Fill(x, row, target - x, 1, palette);
                x = target;
                break;
            }
            blankRest();
            const std::uint32_t landing = std::min<std::uint32_t>(row + static_cast<std::uint32_t>(down), height);
            if (landing > row + 1) sink.Fill(0, row + 1, width, landing - row - 1, palette);
            row = landing;
            x = target;
            if (row < height && x > 0) sink.Fill(0, row, x, 1, palette);
            break;
        }
        default: {  // absolute: value pixels as they are, padded to a 16-bit boundary
            const auto pixels = static_cast<std::uint32_t>(value);
            const std::uint32_t bytes = four ? (pixels + 1) / 2 : pixels;
            std::uint32_t shown = 0;
            for (std::uint32_t i = 0; i < bytes; ++i) {
                const int byte = in.Byte();
                if (byte < 0) return BmpError::Truncated;
                const unsigned indices[2] = {four ? static_cast<unsigned>(byte) >> 4 : static_cast<unsigned>(byte),
                                             static_cast<unsigned>(byte) & 15};
                for (std::uint32_t k = 0; k < (four ? 2u : 1u); ++k) {
                    const std::uint32_t pixel = four ? 2 * i + k : i;
                    if (pixel < pixels && x + pixel < width) {
                        std::memcpy(&row_[3 * pixel], palette + 3 * indices[k], 3);
                        shown = pixel + 1;
                    }
                }
            }
            if (bytes % 2 == 1 && in.Byte() < 0) return BmpError::Truncated;
            if (shown > 0) sink.Pixels(x, row, shown, row_.data());
            x = std::min(x + pixels, width);
            break;
        }
        }
    }
    return BmpError::None;
}

}  // namespace vantrel::studio::formats
