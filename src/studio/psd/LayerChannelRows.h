#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/psd/ZipRows.h"

namespace vantrel::studio::psd {

// Buffers for one band's stored bytes, shared by every channel of a document: channels are
// read one after another, and many channels each holding a band of their own would touch
// (and fault in) memory for nothing.
struct CChannelScratch {
    std::vector<std::uint32_t> rowCounts;  // the band's packed row lengths
    std::vector<std::uint8_t> stored;      // the band's bytes as stored
    std::vector<std::uint8_t> wide;        // 16- and 32-bit rows before narrowing
};

// The rows of one layer channel, decoded top to bottom a band at a time into 8-bit samples.
// Between bands a raw or PackBits channel keeps where its data lies and at most a few
// kilobytes read ahead, so a layer costs little more than the band it is decoding. A ZIP channel
// is one zlib stream, held open (a row and zlib's window) until its last row is read.
class CLayerChannelRows {
public:
    // width x height is the rectangle the channel covers: the layer's bounds, or its mask's.
    // scratch must outlive the reader.
    bool Open(studio::io::CDocumentFile& file, const CPsdLayerChannel& channel, std::int64_t width, std::int64_t height,
              int depth, bool psb, CChannelScratch& scratch, CPsdRefusal& refusal);

    // Decodes the next rowCount rows into out, rowCount * Width() samples.
    bool Read(int rowCount, std::uint8_t* out, CPsdRefusal& refusal);
    // Passes over the next rowCount rows without decoding them.
    bool Skip(int rowCount, CPsdRefusal& refusal);

    std::size_t Width() const { return width_; }

    // How 16- and 32-bit samples become 8-bit ones, when not as a coverage (v * 255, rounded):
    // a 32-bit document's colour holds linear light, which the caller shows through a curve.
    using SampleNarrowing = void (*)(const std::uint8_t* samples, std::size_t count, std::uint8_t* out);
    void NarrowWith(SampleNarrowing narrowing) { narrowing_ = narrowing; }

private:
    bool TakeRowCounts(int rowCount, std::uint64_t& packedTotal, CPsdRefusal& refusal);
    const std::uint8_t* TakeBytes(std::uint64_t count, CPsdRefusal& refusal);
    bool InflateRows(std::size_t rows, std::uint8_t* target, CPsdRefusal& refusal);
    void NarrowSamples(const std::uint8_t* in, int rowCount, std::uint8_t* out) const;

    studio::io::CDocumentFile* file_ = nullptr;
    CChannelScratch* scratch_ = nullptr;
    std::unique_ptr<CZipChannel> zip_;
    int compression_ = 0;
    int depth_ = 8;
    bool psb_ = false;
    std::size_t width_ = 0;
    std::size_t storedRowBytes_ = 0;
    std::int64_t rowsLeft_ = 0;
    std::optional<studio::io::CFileCursor> table_;  // the packed row lengths, PackBits only
    std::optional<studio::io::CFileCursor> data_;   // the rows as stored, raw or PackBits
    std::uint64_t end_ = 0;      // end of the channel's data
    SampleNarrowing narrowing_ = nullptr;
};

}  // namespace vantrel::studio::psd
