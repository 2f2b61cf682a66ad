#include "studio/psd/DocumentFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace vantrel::studio {

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

bool CDocumentFile::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t count)
{
    if (!open_ || offset > size_ || count > size_ - offset) return false;
    if (count == 0) return true;
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

CFileCursor::CFileCursor(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit, std::size_t chunkBytes,
                         bool grows)
    : file_(file), bufferOffset_(offset), limit_(std::min(limit, file.Size())), grows_(grows)
{
    // A small document needs no more buffer than the bytes it has left.
    const std::uint64_t left = offset < limit_ ? limit_ - offset : 0;
    buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, chunkBytes)));
}

const std::uint8_t* CFileCursor::Take(std::size_t count)
{
    if (end_ - begin_ < count) {
        if (count > buffer_.size()) {
            // Bytes past the limit are never there, so the growth is bounded by the limit.
            if (!grows_ || Position() > limit_ || count > limit_ - Position()) return nullptr;
            buffer_.resize(count);
        }
        const std::size_t kept = end_ - begin_;
        std::memmove(buffer_.data(), buffer_.data() + begin_, kept);
        bufferOffset_ += begin_;
        begin_ = 0;
        end_ = kept;
        const std::uint64_t next = bufferOffset_ + kept;
        const std::uint64_t left = next < limit_ ? limit_ - next : 0;
        const auto fill = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer_.size() - kept));
        if (kept + fill < count) return nullptr;
        if (!file_.ReadAt(next, buffer_.data() + kept, fill)) return nullptr;
        end_ = kept + fill;
    }
    const std::uint8_t* taken = buffer_.data() + begin_;
    begin_ += count;
    return taken;
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

}  // namespace vantrel::studio
