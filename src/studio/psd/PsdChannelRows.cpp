#include "studio/psd/PsdChannelRows.h"

#include <algorithm>

#include "studio/psd/PackBits.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::io::CFileCursor;

namespace vantrel::studio::psd {

namespace {
// Count cursors read a few thousand counts at a time; rows are read in larger chunks.
constexpr std::size_t kCountChunk = 16 * 1024;

std::uint64_t ReadCount(const std::uint8_t* bytes, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < size; ++k) value = (value << 8) | bytes[k];
    return value;
}
}  // namespace

bool CPsdChannelRows::Open(CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal)
{
    cursors_.clear();
    countCursors_.clear();
    zip_.clear();
    cursors_.reserve(static_cast<std::size_t>(channelCount));
    rows_.assign(static_cast<std::size_t>(channelCount), nullptr);
    rowBytes_ = static_cast<std::size_t>(layout.RowBytes());
    height_ = layout.height;
    nextRow_ = 0;
    compression_ = layout.compression;
    channels_ = layout.channels;
    switch (compression_) {
    case 0: return OpenRaw(file, layout, channelCount, refusal);
    case 1: return OpenPackBits(file, layout, channelCount, refusal);
    default: return OpenZip(file, layout, channelCount, refusal);
    }
}

bool CPsdChannelRows::OpenRaw(CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal)
{
    // Sides, pixels and channel counts are bounded, so these products stay far below 2^64.
    const std::uint64_t planeBytes = layout.RowBytes() * static_cast<std::uint64_t>(layout.height);
    const std::uint64_t promised = planeBytes * static_cast<std::uint64_t>(layout.channels);
    if (layout.imageDataOffset > file.Size() || promised > file.Size() - layout.imageDataOffset) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
        return false;
    }
    const std::size_t chunk = std::max(CFileCursor::kChunkBytes, rowBytes_);
    for (int channel = 0; channel < channelCount; ++channel)
        cursors_.push_back(CFileCursor::Chunked(file, layout.imageDataOffset + planeBytes * static_cast<std::uint64_t>(channel), chunk));
    return true;
}

bool CPsdChannelRows::OpenPackBits(CDocumentFile& file, const CPsdLayout& layout, int channelCount,
                                   CPsdRefusal& refusal)
{
    countBytes_ = layout.version == 2 ? 4 : 2;
    // The longest a PackBits row can be even from a careless writer is every byte a literal of
    // its own, two bytes each; rows are taken whole from a chunk at least that large. (A PSD's
    // counts are 16 bits, well within one chunk; a PSB's are 32.)
    longestPackedRow_ = std::max(CFileCursor::kChunkBytes, 2 * rowBytes_ + 128);
    const std::uint64_t rowCount = static_cast<std::uint64_t>(layout.channels) * static_cast<std::uint64_t>(layout.height);
    const std::uint64_t tableBytes = countBytes_ * rowCount;
    if (layout.imageDataOffset > file.Size() || tableBytes > file.Size() - layout.imageDataOffset) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
        return false;
    }
    const std::uint64_t dataStart = layout.imageDataOffset + tableBytes;
    // Every count is added up, the undrawn channels' too, so that a file whose later channels
    // are cut short is refused like any other truncated file; the counts of the drawn channels
    // are read again row by row alongside their data.
    std::vector<std::uint64_t> channelStarts(static_cast<std::size_t>(channelCount), 0);
    CFileCursor table(file, layout.imageDataOffset);
    std::uint64_t packedTotal = 0;
    const auto height = static_cast<std::uint64_t>(layout.height);
    const auto kept = static_cast<std::uint64_t>(channelCount) * height;
    for (std::uint64_t row = 0; row < rowCount; ++row) {
        if (row < kept && row % height == 0) channelStarts[static_cast<std::size_t>(row / height)] = dataStart + packedTotal;
        const std::uint8_t* word = table.Take(countBytes_);
        if (word == nullptr) {
            refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
            return false;
        }
        const std::uint64_t count = ReadCount(word, countBytes_);
        if (count > longestPackedRow_) {
            refusal = CPsdRefusal::Of(PsdError::PackBitsRowTooLong, count);
            return false;
        }
        packedTotal += count;
    }
    if (packedTotal > file.Size() - dataStart) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
        return false;
    }
    unpacked_.assign(static_cast<std::size_t>(channelCount), std::vector<std::uint8_t>(rowBytes_));
    const std::size_t chunk = longestPackedRow_;
    countCursors_.reserve(static_cast<std::size_t>(channelCount));
    for (int channel = 0; channel < channelCount; ++channel) {
        cursors_.push_back(CFileCursor::Chunked(file, channelStarts[static_cast<std::size_t>(channel)], chunk));
        countCursors_.push_back(CFileCursor::Chunked(file, layout.imageDataOffset + countBytes_ * height * static_cast<std::uint64_t>(channel),
                                   kCountChunk));
    }
    return true;
}

bool CPsdChannelRows::OpenZip(CDocumentFile& file, const CPsdLayout& layout, int channelCount, CPsdRefusal& refusal)
{
    for (int channel = 0; channel < channelCount; ++channel) {
        zip_.push_back(std::make_unique<CZipChannel>());
        const std::uint64_t rowsBefore = static_cast<std::uint64_t>(channel) * static_cast<std::uint64_t>(layout.height);
        if (!zip_.back()->Open(file, layout.imageDataOffset, layout.width, layout.depth, layout.compression == 3,
                               rowsBefore, refusal))
            return false;
    }
    return true;
}

bool CPsdChannelRows::NextRow(CPsdRefusal& refusal)
{
    if (nextRow_ >= height_) {
        refusal = CPsdRefusal::Of(PsdError::ReadPastLastRow);
        return false;
    }
    const auto row = static_cast<std::size_t>(nextRow_);
    for (std::size_t channel = 0; channel < rows_.size(); ++channel) {
        if (compression_ >= 2) {
            rows_[channel] = zip_[channel]->NextRow(refusal);
            if (rows_[channel] == nullptr) return false;
            continue;
        }
        std::size_t stored = rowBytes_;
        if (compression_ == 1) {
            const std::uint8_t* word = countCursors_[channel].Take(countBytes_);
            if (word == nullptr) {
                refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
                return false;
            }
            stored = static_cast<std::size_t>(ReadCount(word, countBytes_));
        }
        const std::uint8_t* bytes = cursors_[channel].Take(stored);
        if (bytes == nullptr) {
            refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
            return false;
        }
        if (compression_ == 1) {
            auto& target = unpacked_[channel];
            if (!UnpackBitsRow(bytes, stored, target.data(), target.size())) {
                refusal = CPsdRefusal::Of(PsdError::CorruptPackBits, row, channel);
                return false;
            }
            bytes = target.data();
        }
        rows_[channel] = bytes;
    }
    ++nextRow_;
    if (compression_ >= 2 && nextRow_ == height_ && !zip_.empty()) {
        const auto undrawn = static_cast<std::uint64_t>(channels_) - zip_.size();
        if (!zip_.back()->Finish(undrawn * static_cast<std::uint64_t>(height_), refusal)) return false;
    }
    return true;
}

}  // namespace vantrel::studio::psd
