#include "studio/psd/PsdChannelRows.h"

#include "studio/psd/PackBits.h"

namespace vantrel::studio {

namespace {
constexpr const char* kTruncated = "truncated image data";
}

bool CPsdChannelRows::Open(CDocumentFile& file, const CPsdLayout& layout, int channelCount, std::string& reason)
{
    cursors_.clear();
    cursors_.reserve(static_cast<std::size_t>(channelCount));
    rows_.assign(static_cast<std::size_t>(channelCount), nullptr);
    rowBytes_ = static_cast<std::size_t>(layout.RowBytes());
    height_ = layout.height;
    nextRow_ = 0;
    packBits_ = layout.compression == 1;
    return packBits_ ? OpenPackBits(file, layout, channelCount, reason)
                     : OpenRaw(file, layout, channelCount, reason);
}

bool CPsdChannelRows::OpenRaw(CDocumentFile& file, const CPsdLayout& layout, int channelCount, std::string& reason)
{
    // Sides and channel counts are bounded, so these products stay far below 2^64.
    const std::uint64_t planeBytes = layout.RowBytes() * static_cast<std::uint64_t>(layout.height);
    const std::uint64_t promised = planeBytes * static_cast<std::uint64_t>(layout.channels);
    if (layout.imageDataOffset > file.Size() || promised > file.Size() - layout.imageDataOffset) {
        reason = kTruncated;
        return false;
    }
    for (int channel = 0; channel < channelCount; ++channel)
        cursors_.emplace_back(file, layout.imageDataOffset + planeBytes * static_cast<std::uint64_t>(channel));
    return true;
}

bool CPsdChannelRows::OpenPackBits(CDocumentFile& file, const CPsdLayout& layout, int channelCount,
                                   std::string& reason)
{
    const std::uint64_t rowCount = static_cast<std::uint64_t>(layout.channels) * layout.height;
    const std::uint64_t dataStart = layout.imageDataOffset + 2 * rowCount;
    if (dataStart > file.Size()) {
        reason = kTruncated;
        return false;
    }
    // Only the colour channels' counts are kept; the rest are only added up, so that a file
    // whose later channels are cut short is refused like any other truncated file.
    const std::size_t keptCounts = static_cast<std::size_t>(channelCount) * static_cast<std::size_t>(layout.height);
    packedCounts_.resize(keptCounts);
    std::vector<std::uint64_t> channelStarts(static_cast<std::size_t>(channelCount), 0);
    CFileCursor table(file, layout.imageDataOffset);
    std::uint64_t packedTotal = 0;
    for (std::uint64_t row = 0; row < rowCount; ++row) {
        if (row < keptCounts && row % static_cast<std::uint64_t>(layout.height) == 0)
            channelStarts[row / static_cast<std::uint64_t>(layout.height)] = dataStart + packedTotal;
        const std::uint8_t* word = table.Take(2);
        if (word == nullptr) {
            reason = kTruncated;
            return false;
        }
        const auto count = static_cast<std::uint16_t>((word[0] << 8) | word[1]);
        if (row < keptCounts) packedCounts_[row] = count;
        packedTotal += count;
    }
    if (packedTotal > file.Size() - dataStart) {
        reason = kTruncated;
        return false;
    }
    unpacked_.assign(static_cast<std::size_t>(channelCount), std::vector<std::uint8_t>(rowBytes_));
    for (int channel = 0; channel < channelCount; ++channel)
        cursors_.emplace_back(file, channelStarts[static_cast<std::size_t>(channel)]);
    return true;
}

bool CPsdChannelRows::NextRow(std::string& reason)
{
    if (nextRow_ >= height_) {
        reason = "read past the last row";
        return false;
    }
    const auto row = static_cast<std::size_t>(nextRow_);
    for (std::size_t channel = 0; channel < cursors_.size(); ++channel) {
        const std::size_t stored =
            packBits_ ? packedCounts_[channel * static_cast<std::size_t>(height_) + row] : rowBytes_;
        const std::uint8_t* bytes = cursors_[channel].Take(stored);
        if (bytes == nullptr) {
            reason = kTruncated;
            return false;
        }
        if (packBits_) {
            auto& target = unpacked_[channel];
            if (!UnpackBitsRow(bytes, stored, target.data(), target.size())) {
                reason = "corrupt PackBits data in row " + std::to_string(row) + " of channel " +
                         std::to_string(channel);
                return false;
            }
            bytes = target.data();
        }
        rows_[channel] = bytes;
    }
    ++nextRow_;
    return true;
}

}  // namespace vantrel::studio
