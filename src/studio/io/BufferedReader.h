#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "studio/io/DocumentFile.h"

namespace vantrel::studio::io {

// Reads a document forward from an offset through a 64 KiB buffer, for decoders that take a
// few bytes at a time; reads larger than the buffer go straight to their destination. (For
// bytes already in memory, a bounded view is CSpanReader.) The buffer is not cleared: only
// bytes read from the document are ever looked at.
class CBufferedReader {
public:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    CBufferedReader(CDocumentFile& file, std::uint64_t offset) : file_(file), position_(offset) {}

    // Reads exactly count bytes; false when the file ends first.
    bool Read(std::uint8_t* into, std::size_t count);
    // The next byte, or -1 when the file has ended.
    int Byte()
    {
        if (begin_ == end_ && !Refill()) return -1;
        return buffer_[begin_++];
    }
    // The file offset of the next byte.
    std::uint64_t Position() const { return position_ - (end_ - begin_); }
    std::uint64_t Left() const { return file_.Size() > Position() ? file_.Size() - Position() : 0; }

private:
    bool Refill();

    CDocumentFile& file_;
    std::uint64_t position_;  // file offset of buffer_[end_]
    std::unique_ptr<std::uint8_t[]> buffer_{new std::uint8_t[kBufferBytes]};
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace vantrel::studio::io
