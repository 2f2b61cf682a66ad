#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdLayout.h"
#include "studio/psd/ZipRows.h"

namespace vantrel::studio::psd {

// The composite's leading channels, read one row at a time with all channels in step, so that
// a decoder holds one row per channel rather than the image. Each channel plane has its own
// cursor; raw rows are used where they lie in the cursor's buffer, PackBits rows are unpacked
// into a row buffer of their own with their byte counts read alongside by a second cursor, and
// ZIP rows are inflated by a stream of their own.
class CPsdChannelRows {
public:
    // Prepares to read the first channelCount channels. Fails when the file holds less image
    // data than the header and the row byte counts promise.
    bool Open(studio::io::CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal);

    // Reads the next row of every channel. Fails on a row that is cut short or does not
    // unpack to exactly one row.
    bool NextRow(CPsdRefusal& refusal);

    // The current row of each channel, RowBytes() long, valid until the next NextRow.
    const std::uint8_t* const* Rows() const { return rows_.data(); }
    std::size_t RowBytes() const { return rowBytes_; }

private:
    bool OpenRaw(studio::io::CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal);
    bool OpenPackBits(studio::io::CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal);
    bool OpenZip(studio::io::CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal);

    int compression_ = 0;
    std::vector<studio::io::CFileCursor> cursors_;
    std::vector<studio::io::CFileCursor> countCursors_;           // PackBits: each channel's row byte counts
    std::size_t countBytes_ = 2;                      // 2 in a PSD, 4 in a PSB
    std::size_t longestPackedRow_ = 0;
    std::vector<std::vector<std::uint8_t>> unpacked_;
    std::vector<std::unique_ptr<CZipChannel>> zip_;
    std::vector<const std::uint8_t*> rows_;
    std::size_t rowBytes_ = 0;
    int height_ = 0;
    int channels_ = 0;
    int nextRow_ = 0;
};

}  // namespace vantrel::studio::psd
