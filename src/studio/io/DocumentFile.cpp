#include "studio/io/DocumentFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "studio/psd/GrowingScratch.h"

using vantrel::studio::psd::AtLeast;

namespace vantrel::studio::io {

CDocumentFile::CDocumentFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    // The cursors buffer in large chunks themselves; a second buffer would only copy.
    file_.pubsetbuf(nullptr, 0);
    if (!file_.open(path, std::ios::in | std::ios::binary)) return;
    const auto end = file_.pubseekoff(0, std::ios::end, std::ios::in);
    if (end == std::streampos(std::streamoff(-1))) return;
    size_ = static_cast<std::uint64_t>(std::streamoff(end));
    open_ = true;
}

CDocumentFile::CDocumentFile(std::span<const std::uint8_t> bytes)
    : bytes_(bytes.data()), size_(bytes.size()), open_(true)
{
}

bool CDocumentFile::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t count)
{
    if (!open_ || offset > size_ || count > size_ - offset) return false;
    if (count == 0) return true;
    if (bytes_ != nullptr) {
        std::memcpy(into, bytes_ + offset, count);
        return true;
    }
    const auto at = file_.pubseekpos(static_cast<std::streamoff>(offset), std::ios::in);
    if (at == std::streampos(std::streamoff(-1))) return false;
    const auto got = file_.sgetn(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count));
    return got == static_cast<std::streamsize>(count);
}

CFileCursor::CFileCursor(CDocumentFile& file, std::uint64_t offset)
    : CFileCursor(file, offset, file.Size(), kChunkBytes, false)
{
}

CFileCursor::CFileCursor(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit)
    : CFileCursor(file, offset, limit, kChunkBytes, true)
{
}

CFileCursor CFileCursor::Chunked(CDocumentFile& file, std::uint64_t offset, std::size_t chunkBytes)
{
    return CFileCursor(file, offset, file.Size(), chunkBytes, false);
}

CFileCursor CFileCursor::Lookahead(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit,
                                   std::size_t lookahead)
{
    return CFileCursor(file, offset, limit, lookahead, false);
}

namespace {
// A cursor's first buffer: enough for a header and its resources' lengths.
constexpr std::size_t kFirstBufferBytes = 16 * 1024;
}  // namespace

CFileCursor::CFileCursor(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit, std::size_t chunkBytes,
                         bool grows)
    : file_(file), chunk_(chunkBytes), bufferOffset_(offset), limit_(std::min(limit, file.Size())), grows_(grows)
{
}

bool CFileCursor::Reserve(std::size_t count)
{
    const std::uint64_t left = Position() < limit_ ? limit_ - Position() : 0;
    if (count > left) return false;
    if (count > chunk_ && !grows_) return false;
    if (count <= size_ && size_ >= chunk_) return true;
    // Doubling towards the chunk, never past the bytes left: a small document or layer
    // channel needs no more buffer than it has.
    std::size_t size = std::max(count, std::min(chunk_, std::max(kFirstBufferBytes, 2 * size_)));
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, std::max<std::uint64_t>(count, left)));
    if (size <= size_) return true;
    const std::size_t kept = end_ - begin_;
    auto grown = std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]);
    if (kept > 0) std::memcpy(grown.get(), buffer_.get() + begin_, kept);
    buffer_ = std::move(grown);
    size_ = size;
    bufferOffset_ += begin_;
    begin_ = 0;
    end_ = kept;
    return true;
}

const std::uint8_t* CFileCursor::Take(std::size_t count)
{
    if (end_ - begin_ < count) {
        if (!Reserve(count)) return nullptr;
        const std::size_t kept = end_ - begin_;
        if (begin_ > 0) std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
        bufferOffset_ += begin_;
        begin_ = 0;
        end_ = kept;
        const std::uint64_t next = bufferOffset_ + kept;
        const std::uint64_t left = next < limit_ ? limit_ - next : 0;
        const auto fill = static_cast<std::size_t>(std::min<std::uint64_t>(left, size_ - kept));
        if (kept + fill < count) return nullptr;
        if (!file_.ReadAt(next, buffer_.get() + kept, fill)) return nullptr;
        end_ = kept + fill;
    }
    const std::uint8_t* taken = buffer_.get() + begin_;
    begin_ += count;
    return taken;
}

const std::uint8_t* CFileCursor::Take(std::size_t count, std::vector<std::uint8_t>& overflow)
{
    if (count <= end_ - begin_ || count <= chunk_ || grows_) return Take(count);
    if (count > Remaining()) return nullptr;
    // What is buffered, then the rest straight from the file.
    const std::size_t kept = end_ - begin_;
    std::uint8_t* out = AtLeast(overflow, count);
    if (kept > 0) std::memcpy(out, buffer_.get() + begin_, kept);
    if (!file_.ReadAt(bufferOffset_ + end_, out + kept, count - kept)) return nullptr;
    bufferOffset_ = Position() + count;
    begin_ = end_ = 0;
    return out;
}

bool CFileCursor::Skip(std::uint64_t count)
{
    if (count <= end_ - begin_) {
        begin_ += static_cast<std::size_t>(count);
        return true;
    }
    const std::uint64_t target = Position() + count;
    if (target < count || target > limit_) return false;
    bufferOffset_ = target;
    begin_ = end_ = 0;
    return true;
}

}  // namespace vantrel::studio::io
