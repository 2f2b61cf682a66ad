#include "studio/io/BufferedReader.h"

#include <algorithm>
#include <cstring>

namespace vantrel::studio::io {

bool CBufferedReader::Refill()
{
    const std::uint64_t size = file_.Size();
    const std::uint64_t left = position_ < size ? size - position_ : 0;
    const auto fill = static_cast<std::size_t>(std::min<std::uint64_t>(left, kBufferBytes));
    if (fill == 0 || !file_.ReadAt(position_, buffer_.get(), fill)) return false;
    position_ += fill;
    begin_ = 0;
    end_ = fill;
    return true;
}

bool CBufferedReader::Read(std::uint8_t* into, std::size_t count)
{
    while (count > 0) {
        if (begin_ == end_) {
            if (count >= kBufferBytes) {
                if (!file_.ReadAt(position_, into, count)) return false;
                position_ += count;
                return true;
            }
            if (!Refill()) return false;
        }
        const std::size_t taken = std::min(count, end_ - begin_);
        std::memcpy(into, buffer_.get() + begin_, taken);
        begin_ += taken;
        into += taken;
        count -= taken;
    }
    return true;
}

}  // namespace vantrel::studio::io
