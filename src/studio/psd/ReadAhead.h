#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "studio/psd/DocumentFile.h"

namespace vantrel::studio {

// Reads a region of a document file front to back in small takes, a few kilobytes ahead at a
// time. A layer channel hands out a band's bytes at a time, often only a few dozen; a read for
// each would be a system call per channel per band. What it buffers never exceeds its
// lookahead, so many channels open at once stay cheap.
class CReadAhead {
public:
    void Reset(std::uint64_t begin, std::uint64_t end, std::size_t lookahead);

    // The next count bytes, valid until the next call; null when the region or the file ends
    // first. Takes longer than the lookahead go straight into overflow, not the buffer.
    const std::uint8_t* Take(CDocumentFile& file, std::size_t count, std::vector<std::uint8_t>& overflow);
    // Passes over count bytes; false when the region ends first.
    bool Skip(std::uint64_t count);
    std::uint64_t Remaining() const { return end_ - at_ + Buffered(); }

private:
    std::size_t Buffered() const { return bytes_.size() - begin_; }

    std::vector<std::uint8_t> bytes_;  // the unread ones from begin_ on
    std::size_t begin_ = 0;
    std::uint64_t at_ = 0;   // the file offset just past what was read
    std::uint64_t end_ = 0;  // the region's end
    std::size_t lookahead_ = 0;
};

}  // namespace vantrel::studio
