#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifdef VANTREL_HAVE_ZLIB
#include <zlib.h>
#endif

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdErrors.h"

namespace vantrel::studio::psd {

// One channel of a ZIP-compressed composite, inflated a row at a time. The composite is one
// zlib stream holding every channel's rows in turn, so a channel's reader inflates and drops
// the channels before it, then hands out its own rows; only a row and zlib's window are held.
// With prediction, each row stores differences: of bytes at 8 bits, of big-endian words at 16,
// and at 32 of the bytes of a row regrouped by significance (all first bytes, then all second
// bytes, ...), which are put back into big-endian floats.
class CZipChannel {
public:
    CZipChannel() = default;
    CZipChannel(const CZipChannel&) = delete;
    CZipChannel& operator=(const CZipChannel&) = delete;
    ~CZipChannel();

    // Starts inflating the stream at offset and passes over the rows of channelIndex channels
    // before this one. The stream's bytes end at end (a layer channel's own length), or with
    // the file.
    bool Open(studio::io::CDocumentFile& file, std::uint64_t offset, int width, int depth, bool prediction,
              std::uint64_t rowsBefore, CPsdRefusal& refusal, std::uint64_t end = UINT64_MAX);
    // Inflates the next row; valid until the next call.
    const std::uint8_t* NextRow(CPsdRefusal& refusal);
    // Passes over rowsLeft more rows (the channels after the last one drawn) and checks that
    // the stream ends there, its checksum intact, so that a file cut short anywhere is refused.
    bool Finish(std::uint64_t rowsLeft, CPsdRefusal& refusal);

private:
    bool Inflate(std::uint8_t* into, std::size_t count, CPsdRefusal& refusal);
    bool Refill(CPsdRefusal& refusal);
    void UndoPrediction();

    studio::io::CDocumentFile* file_ = nullptr;
    std::uint64_t nextInput_ = 0;      // file offset of the next compressed byte to read
    std::uint64_t end_ = 0;            // file offset just past the stream's bytes
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> row_;
    std::vector<std::uint8_t> shuffled_;
#ifdef VANTREL_HAVE_ZLIB
    z_stream stream_{};
#endif
    bool started_ = false;
    bool ended_ = false;
    int width_ = 0;
    int depth_ = 0;
    bool prediction_ = false;
};

}  // namespace vantrel::studio::psd
