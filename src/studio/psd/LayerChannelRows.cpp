#include "studio/psd/LayerChannelRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "studio/psd/GrowingScratch.h"
#include "studio/psd/PackBits.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::io::CFileCursor;

namespace vantrel::studio::psd {

namespace {
// How far ahead of the band a channel reads its packed row lengths and its data. A band needs
// a few dozen bytes of lengths, and a flat channel's band packs into a kilobyte or so.
constexpr std::size_t kTableLookahead = 512;
constexpr std::size_t kDataLookahead = 16 * 1024;
}

bool CLayerChannelRows::Open(CDocumentFile& file, const CPsdLayerChannel& channel, std::int64_t width,
                             std::int64_t height, int depth, bool psb, CChannelScratch& scratch,
                             CPsdRefusal& refusal)
{
    file_ = &file;
    scratch_ = &scratch;
    zip_.reset();
    depth_ = depth;
    psb_ = psb;
    width_ = static_cast<std::size_t>(std::max<std::int64_t>(width, 0));
    rowsLeft_ = width_ == 0 ? 0 : std::max<std::int64_t>(height, 0);
    storedRowBytes_ = width_ * static_cast<std::size_t>(depth / 8);
    end_ = channel.offset + channel.length;
    if (rowsLeft_ == 0) return true;
    std::uint8_t word[2] = {};
    if (channel.length < 2 || !file.ReadAt(channel.offset, word, 2)) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerChannel);
        return false;
    }
    compression_ = (word[0] << 8) | word[1];
    if (depth != 8 && depth != 16 && depth != 32) {
        refusal = CPsdRefusal::Of(PsdError::LayerDepth, depth);
        return false;
    }
    if (compression_ > 3) {
        refusal = CPsdRefusal::Of(PsdError::LayerCompression, compression_);
        return false;
    }
    const std::uint64_t start = channel.offset + 2;
    if (compression_ >= 2) {
        zip_ = std::make_unique<CZipChannel>();
        return zip_->Open(file, start, static_cast<int>(width_), depth, compression_ == 3, 0, refusal, end_);
    }
    std::uint64_t dataAt = start;
    if (compression_ == 1) {
        // The table of packed row lengths comes first; it must fit before the data starts.
        const std::uint64_t tableBytes = static_cast<std::uint64_t>(rowsLeft_) * (psb ? 4u : 2u);
        if (tableBytes > end_ - start) {
            refusal = CPsdRefusal::Of(PsdError::TruncatedLayerChannel);
            return false;
        }
        dataAt = start + tableBytes;
    }
    table_.emplace(CFileCursor::Lookahead(file, start, dataAt, kTableLookahead));
    data_.emplace(CFileCursor::Lookahead(file, dataAt, end_, kDataLookahead));
    return true;
}

bool CLayerChannelRows::TakeRowCounts(int rowCount, std::uint64_t& packedTotal, CPsdRefusal& refusal)
{
    const std::size_t countBytes = psb_ ? 4 : 2;
    const auto rows = static_cast<std::size_t>(rowCount);
    const std::uint8_t* bytes = table_->Take(rows * countBytes, scratch_->stored);
    if (bytes == nullptr) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerChannel);
        return false;
    }
    std::uint32_t* counts = AtLeast(scratch_->rowCounts, rows);
    packedTotal = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::uint8_t* at = bytes + row * countBytes;
        std::uint32_t count = (std::uint32_t{at[0]} << 8) | at[1];
        if (psb_) count = (count << 16) | (std::uint32_t{at[2]} << 8) | at[3];
        counts[row] = count;
        packedTotal += count;
    }
    if (packedTotal > data_->Remaining()) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerChannel);
        return false;
    }
    return true;
}

const std::uint8_t* CLayerChannelRows::TakeBytes(std::uint64_t count, CPsdRefusal& refusal)
{
    const std::uint8_t* bytes =
        count > data_->Remaining() ? nullptr : data_->Take(static_cast<std::size_t>(count), scratch_->stored);
    if (bytes == nullptr) refusal = CPsdRefusal::Of(PsdError::TruncatedLayerChannel);
    return bytes;
}

bool CLayerChannelRows::InflateRows(std::size_t rows, std::uint8_t* target, CPsdRefusal& refusal)
{
    for (std::size_t row = 0; row < rows; ++row) {
        const std::uint8_t* inflated = zip_->NextRow(refusal);
        if (inflated == nullptr) return false;
        if (target != nullptr) std::memcpy(target + row * storedRowBytes_, inflated, storedRowBytes_);
    }
    // Done with: its zlib state goes now, not when the layer does.
    if (rowsLeft_ == 0) zip_.reset();
    return true;
}

bool CLayerChannelRows::Read(int rowCount, std::uint8_t* out, CPsdRefusal& refusal)
{
    if (rowCount <= 0) return true;
    if (rowCount > rowsLeft_) {
        refusal = CPsdRefusal::Of(PsdError::ReadPastLayerChannel);
        return false;
    }
    rowsLeft_ -= rowCount;
    const auto rows = static_cast<std::size_t>(rowCount);
    // 8-bit rows are decoded where they end up; deeper ones go through the wide buffer and are
    // narrowed into out.
    std::uint8_t* target = out;
    if (depth_ != 8) {
        target = AtLeast(scratch_->wide, rows * storedRowBytes_);
    }
    if (zip_) {
        if (!InflateRows(rows, target, refusal)) return false;
    } else if (compression_ == 0) {
        const std::uint8_t* bytes = TakeBytes(rows * storedRowBytes_, refusal);
        if (bytes == nullptr) return false;
        std::memcpy(target, bytes, rows * storedRowBytes_);
    } else {
        std::uint64_t packedTotal = 0;
        if (!TakeRowCounts(rowCount, packedTotal, refusal)) return false;
        const std::uint8_t* packed = TakeBytes(packedTotal, refusal);
        if (packed == nullptr) return false;
        const auto& counts = scratch_->rowCounts;
        std::size_t at = 0;
        for (std::size_t row = 0; row < rows; ++row) {
            if (!UnpackBitsRow(packed + at, counts[row], target + row * storedRowBytes_, storedRowBytes_)) {
                refusal = CPsdRefusal::Of(PsdError::CorruptLayerPackBits);
                return false;
            }
            at += counts[row];
        }
    }
    if (depth_ != 8) NarrowSamples(target, rowCount, out);
    return true;
}

void CLayerChannelRows::NarrowSamples(const std::uint8_t* in, int rowCount, std::uint8_t* out) const
{
    const std::size_t count = static_cast<std::size_t>(rowCount) * width_;
    if (narrowing_ != nullptr) {
        narrowing_(in, count, out);
        return;
    }
    if (depth_ == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned value = (unsigned{in[2 * i]} << 8) | in[2 * i + 1];
            out[i] = static_cast<std::uint8_t>((value * 255u + 32767u) / 65535u);
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* at = in + 4 * i;
        const std::uint32_t bits = (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
                                   (std::uint32_t{at[2]} << 8) | at[3];
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (!(value > 0.0f)) value = 0.0f;  // NaN too
        out[i] = static_cast<std::uint8_t>(std::lround(std::min(value, 1.0f) * 255.0f));
    }
}

bool CLayerChannelRows::Skip(int rowCount, CPsdRefusal& refusal)
{
    if (rowCount <= 0) return true;
    if (rowCount > rowsLeft_) {
        refusal = CPsdRefusal::Of(PsdError::ReadPastLayerChannel);
        return false;
    }
    rowsLeft_ -= rowCount;
    if (zip_) return InflateRows(static_cast<std::size_t>(rowCount), nullptr, refusal);
    std::uint64_t count = static_cast<std::uint64_t>(rowCount) * storedRowBytes_;
    if (compression_ == 1 && !TakeRowCounts(rowCount, count, refusal)) return false;
    if (!data_->Skip(count)) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerChannel);
        return false;
    }
    return true;
}

}  // namespace vantrel::studio::psd
