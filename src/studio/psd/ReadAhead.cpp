#include "studio/psd/ReadAhead.h"

#include <algorithm>
#include <cstring>

#include "studio/psd/GrowingScratch.h"

namespace vantrel::studio {

void CReadAhead::Reset(std::uint64_t begin, std::uint64_t end, std::size_t lookahead)
{
    bytes_.clear();
    begin_ = 0;
    at_ = begin;
    end_ = std::max(begin, end);
    lookahead_ = lookahead;
}

const std::uint8_t* CReadAhead::Take(CDocumentFile& file, std::size_t count, std::vector<std::uint8_t>& overflow)
{
    const std::size_t have = Buffered();
    if (count <= have) {
        const std::uint8_t* taken = bytes_.data() + begin_;
        begin_ += count;
        return taken;
    }
    if (count - have > end_ - at_) return nullptr;
    if (count > lookahead_) {
        std::uint8_t* out = AtLeast(overflow, count);
        if (have > 0) std::memcpy(out, bytes_.data() + begin_, have);
        if (!file.ReadAt(at_, out + have, count - have)) return nullptr;
        at_ += count - have;
        bytes_.clear();
        begin_ = 0;
        return out;
    }
    // Keeps what is left and fills up to the lookahead, never past the region's end.
    if (have > 0) std::memmove(bytes_.data(), bytes_.data() + begin_, have);  // never with an empty buffer's null
    const auto more = static_cast<std::size_t>(std::min<std::uint64_t>(end_ - at_, lookahead_ - have));
    bytes_.resize(have + more);
    begin_ = 0;
    if (!file.ReadAt(at_, bytes_.data() + have, more)) return nullptr;
    at_ += more;
    begin_ = count;
    return bytes_.data();
}

bool CReadAhead::Skip(std::uint64_t count)
{
    const std::size_t have = Buffered();
    if (count <= have) {
        begin_ += static_cast<std::size_t>(count);
        return true;
    }
    if (count - have > end_ - at_) return false;
    at_ += count - have;
    bytes_.clear();
    begin_ = 0;
    return true;
}

}  // namespace vantrel::studio
