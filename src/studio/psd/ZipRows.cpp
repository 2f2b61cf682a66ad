#include "studio/psd/ZipRows.h"

#include <algorithm>

using vantrel::studio::io::CDocumentFile;

namespace vantrel::studio::psd {

#ifdef VANTREL_HAVE_ZLIB

namespace {
constexpr std::size_t kInputChunk = 64 * 1024;
}  // namespace

CZipChannel::~CZipChannel()
{
    if (started_) inflateEnd(&stream_);
}

bool CZipChannel::Open(CDocumentFile& file, std::uint64_t offset, int width, int depth, bool prediction,
                       std::uint64_t rowsBefore, CPsdRefusal& refusal, std::uint64_t end)
{
    if (prediction && depth == 1) {
        refusal = CPsdRefusal::Of(PsdError::ZipPredictionOneBit);
        return false;
    }
    file_ = &file;
    nextInput_ = offset;
    end_ = std::min(end, file.Size());
    width_ = width;
    depth_ = depth;
    prediction_ = prediction;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(depth) + 7) / 8;
    row_.resize(rowBytes);
    if (prediction && depth == 32) shuffled_.resize(rowBytes);
    if (inflateInit(&stream_) != Z_OK) {
        refusal = CPsdRefusal::Of(PsdError::ZipCannotStart);
        return false;
    }
    started_ = true;
    // A small layer channel gets a buffer its own size, so that many of them stay cheap.
    input_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kInputChunk, end_ - std::min(offset, end_))) + 1);
    for (std::uint64_t row = 0; row < rowsBefore; ++row)
        if (!Inflate(row_.data(), row_.size(), refusal)) return false;
    return true;
}

const std::uint8_t* CZipChannel::NextRow(CPsdRefusal& refusal)
{
    if (!Inflate(row_.data(), row_.size(), refusal)) return nullptr;
    if (prediction_) UndoPrediction();
    return row_.data();
}

bool CZipChannel::Finish(std::uint64_t rowsLeft, CPsdRefusal& refusal)
{
    // The last row handed out stays valid: the rows passed over go to a buffer of their own.
    std::vector<std::uint8_t> passed(row_.size());
    for (std::uint64_t row = 0; row < rowsLeft; ++row)
        if (!Inflate(passed.data(), passed.size(), refusal)) return false;
    // The stream must end here: inflating on may read its checksum but yield nothing more.
    while (!ended_) {
        std::uint8_t extra = 0;
        stream_.next_out = &extra;
        stream_.avail_out = 1;
        if (stream_.avail_in == 0 && !Refill(refusal)) return false;
        const int status = inflate(&stream_, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            refusal = CPsdRefusal::Of(PsdError::ZipCorrupt);
            return false;
        }
        if (stream_.avail_out == 0) {
            refusal = CPsdRefusal::Of(PsdError::ZipPastImage);
            return false;
        }
        ended_ = status == Z_STREAM_END;
    }
    return true;
}

bool CZipChannel::Refill(CPsdRefusal& refusal)
{
    const std::uint64_t left = end_ - std::min(nextInput_, end_);
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left, input_.size()));
    if (take == 0 || !file_->ReadAt(nextInput_, input_.data(), take)) {
        refusal = CPsdRefusal::Of(PsdError::ZipTruncated);
        return false;
    }
    nextInput_ += take;
    stream_.next_in = input_.data();
    stream_.avail_in = static_cast<uInt>(take);
    return true;
}

bool CZipChannel::Inflate(std::uint8_t* into, std::size_t count, CPsdRefusal& refusal)
{
    stream_.next_out = into;
    stream_.avail_out = static_cast<uInt>(count);
    while (stream_.avail_out > 0) {
        if (ended_) {
            refusal = CPsdRefusal::Of(PsdError::ZipTruncated);
            return false;
        }
        if (stream_.avail_in == 0 && !Refill(refusal)) return false;
        const int status = inflate(&stream_, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            ended_ = true;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            refusal = CPsdRefusal::Of(PsdError::ZipCorrupt);
            return false;
        }
    }
    return true;
}

void CZipChannel::UndoPrediction()
{
    std::uint8_t* row = row_.data();
    const auto width = static_cast<std::size_t>(width_);
    if (depth_ == 8) {
        for (std::size_t x = 1; x < width; ++x) row[x] = static_cast<std::uint8_t>(row[x] + row[x - 1]);
    } else if (depth_ == 16) {
        unsigned previous = (unsigned{row[0]} << 8) | row[1];
        for (std::size_t x = 1; x < width; ++x) {
            const unsigned value = (((unsigned{row[2 * x]} << 8) | row[2 * x + 1]) + previous) & 0xFFFF;
            row[2 * x] = static_cast<std::uint8_t>(value >> 8);
            row[2 * x + 1] = static_cast<std::uint8_t>(value);
            previous = value;
        }
    } else if (depth_ == 32) {
        for (std::size_t x = 1; x < 4 * width; ++x) row[x] = static_cast<std::uint8_t>(row[x] + row[x - 1]);
        std::copy(row_.begin(), row_.end(), shuffled_.begin());
        for (std::size_t x = 0; x < width; ++x)
            for (std::size_t k = 0; k < 4; ++k) row[4 * x + k] = shuffled_[k * width + x];
    }
}

#else

// A build without zlib (the 32-bit Linux check) refuses ZIP data rather than misreading it.

CZipChannel::~CZipChannel() = default;

bool CZipChannel::Open(CDocumentFile&, std::uint64_t, int, int, bool, std::uint64_t, CPsdRefusal& refusal,
                       std::uint64_t)
{
    refusal = CPsdRefusal::Of(PsdError::NoZlib);
    return false;
}

const std::uint8_t* CZipChannel::NextRow(CPsdRefusal& refusal)
{
    refusal = CPsdRefusal::Of(PsdError::NoZlib);
    return nullptr;
}

bool CZipChannel::Finish(std::uint64_t, CPsdRefusal& refusal)
{
    refusal = CPsdRefusal::Of(PsdError::NoZlib);
    return false;
}

#endif

}  // namespace vantrel::studio::psd
