#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vantrel::studio::io {

// A document opened read-only: a file, or bytes already in memory (a fuzzer's input, a test's
// own document), read the same way. Its size is known from the start so that every length
// the document claims can be checked against what is really there before anything is
// allocated.
class CDocumentFile {
public:
    explicit CDocumentFile(const std::string& path);
    // Reads bytes the caller owns and keeps unchanged while this object and its cursors live.
    explicit CDocumentFile(std::span<const std::uint8_t> bytes);
    // A temporary's bytes would be gone before the first read.
    explicit CDocumentFile(std::vector<std::uint8_t>&&) = delete;
    CDocumentFile(const CDocumentFile&) = delete;
    CDocumentFile& operator=(const CDocumentFile&) = delete;

    bool IsOpen() const { return open_; }
    std::uint64_t Size() const { return size_; }
    // Reads exactly count bytes from offset; false when the file cannot supply them.
    bool ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t count);

private:
    std::filebuf file_;
    const std::uint8_t* bytes_ = nullptr;  // the document when it is in memory, else null
    std::uint64_t size_ = 0;
    bool open_ = false;
};

// A forward cursor over a document file that reads it in large chunks, so that a decoder can
// take rows without a system call each. Several cursors may share one file, one per channel
// plane of the image data. The buffer starts small and doubles towards the chunk size: a
// header needs a few kilobytes, a stream of rows the whole chunk, and memory never touched
// costs no page faults.
class CFileCursor {
public:
    static constexpr std::size_t kChunkBytes = 256 * 1024;

    CFileCursor(CDocumentFile& file, std::uint64_t offset);
    // A cursor that reads nothing at or past limit, and buffers no more than the bytes up to
    // it: layer channels are many and often tiny, so each one's buffer is its own size.
    // A Take longer than the buffer grows it, up to the bytes left before limit.
    CFileCursor(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit);
    // A cursor over the rest of the file that reads chunkBytes at a time, the most one Take
    // may ask for: a row of a wide document may need more than kChunkBytes.
    static CFileCursor Chunked(CDocumentFile& file, std::uint64_t offset, std::size_t chunkBytes);

    // A cursor that reads nothing at or past limit and buffers at most lookahead bytes: a layer
    // channel hands out a band at a time, often a few dozen bytes, and many are open at once.
    static CFileCursor Lookahead(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit,
                                 std::size_t lookahead);

    // The next count bytes, valid until the next call; null when the file ends first or
    // count exceeds the chunk size.
    const std::uint8_t* Take(std::size_t count);
    // The same, except that a take longer than the chunk goes into overflow, not the buffer.
    const std::uint8_t* Take(std::size_t count, std::vector<std::uint8_t>& overflow);
    // Moves forward by count bytes; false when that passes the end of the file.
    bool Skip(std::uint64_t count);
    std::uint64_t Position() const { return bufferOffset_ + begin_; }
    std::uint64_t Remaining() const { return Position() < limit_ ? limit_ - Position() : 0; }

private:
    CFileCursor(CDocumentFile& file, std::uint64_t offset, std::uint64_t limit, std::size_t chunkBytes, bool grows);

    bool Reserve(std::size_t count);

    CDocumentFile& file_;
    std::unique_ptr<std::uint8_t[]> buffer_;  // not zeroed: only bytes read are ever handed out
    std::size_t size_ = 0;                    // bytes in buffer_
    std::size_t chunk_;                       // what the buffer grows to by itself
    std::uint64_t bufferOffset_;  // file offset of buffer_[0]
    std::uint64_t limit_;         // nothing is read at or past this offset
    bool grows_ = true;           // whether a long Take may grow the buffer
    std::size_t begin_ = 0;       // unread bytes are buffer_[begin_, end_)
    std::size_t end_ = 0;
};

}  // namespace vantrel::studio::io
