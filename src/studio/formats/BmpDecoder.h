#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "studio/io/BufferedReader.h"
#include "studio/io/DocumentFile.h"

namespace vantrel::studio::formats {

// What can be wrong with a BMP file, each with its one-line text (BmpErrorText).
enum class BmpError {
    None,
    Truncated,        // the file ends before its headers, palette or pixels do
    NotBmp,           // no "BM" signature
    HeaderSize,       // an information header of no known size
    Dimensions,       // a zero or negative side
    TooLarge,         // a side or the pixel count past the studio's limits
    BitCount,         // bits per pixel the compression does not allow
    Compression,      // a compression the studio does not decode (JPEG, PNG, Huffman, RLE24)
    TopDownRle,       // run-length data in a top-down bitmap
    Masks,            // bit fields that overlap or are not contiguous
    PixelOffset,      // pixel data said to start past the end of the file
};

const char* BmpErrorText(BmpError error);

// A Windows or OS/2 bitmap's layout once its headers have been checked.
struct CBmpHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    unsigned bitCount = 0;     // 1, 4, 8, 16, 24 or 32
    unsigned compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
    bool hasAlpha = false;     // an alpha field that is used
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha for 16 and 32 bits
    std::vector<std::uint8_t> palette;     // 256 RGB entries for 1 to 8 bits; black past the file's
    std::uint64_t pixelOffset = 0;
    std::uint64_t rowBytes = 0;            // uncompressed rows, padded to 4 bytes
};

// Where run-length data goes as it is decoded: rectangles of one colour (runs, and the areas
// that end-of-line, delta and end-of-bitmap codes leave at palette index 0) and literal
// pixels. Rows are counted in file order, from the bottom.
class CBmpRunSink {
public:
    virtual ~CBmpRunSink() = default;
    virtual void Fill(std::uint32_t x, std::uint32_t row, std::uint32_t width, std::uint32_t rows,
                      const std::uint8_t* rgb) = 0;
    virtual void Pixels(std::uint32_t x, std::uint32_t row, std::uint32_t count, const std::uint8_t* rgb) = 0;
};

// Decodes a BMP file in the order the file stores its rows (bottom-up unless the header says
// top-down) into 8-bit RGB or, where the file has alpha, RGBA: uncompressed rows one at a
// time, run-length data run by run, so that what the decoder hands on costs no more than the
// data it read (two bytes of RLE can blank a row of 300,000 pixels). Every size the headers
// claim is checked, against the file's length and the studio's limits, before anything of that
// size is allocated; the decoder holds one row of the file and one of output.
class CBmpDecoder {
public:
    explicit CBmpDecoder(studio::io::CDocumentFile& file) : file_(file) {}

    BmpError ReadHeader();
    const CBmpHeader& Header() const { return header_; }
    // Samples per output pixel: 3, or 4 with alpha.
    int OutputChannels() const { return header_.hasAlpha ? 4 : 3; }
    bool IsRunLength() const { return header_.compression == 1 || header_.compression == 2; }
    // Uncompressed files: decodes the next stored row into width * OutputChannels() bytes.
    BmpError NextRow(std::uint8_t* out);
    // Run-length files: decodes the whole bitmap into the sink, in RGB.
    BmpError DecodeRunLength(CBmpRunSink& sink);

private:
    BmpError CheckMasks();
    void UnpackPackedRow(const std::uint8_t* row, std::uint8_t* out) const;

    studio::io::CDocumentFile& file_;
    CBmpHeader header_;
    std::unique_ptr<studio::io::CBufferedReader> reader_;
    std::vector<std::uint8_t> row_;  // one stored row, or RGB of one literal run for RLE
    // Bit fields: shift and width of each field.
    std::array<unsigned, 4> shifts_{};
    std::array<unsigned, 4> widths_{};
};

}  // namespace vantrel::studio::formats
