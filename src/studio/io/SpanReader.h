#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::studio::io {

// A bounded view of bytes already in memory, read forward as big-endian integers; every read
// checks what is left. (A document source read through a buffer is CBufferedReader.)
class CSpanReader {
public:
    CSpanReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    std::size_t Left() const { return size_ - at_; }
    std::size_t Offset() const { return at_; }
    const std::uint8_t* Here() const { return bytes_ + at_; }
    bool Skip(std::uint64_t count)
    {
        if (count > Left()) return false;
        at_ += static_cast<std::size_t>(count);
        return true;
    }
    bool Unsigned(int bytes, std::uint64_t& value)
    {
        if (Left() < static_cast<std::size_t>(bytes)) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i) value = (value << 8) | bytes_[at_++];
        return true;
    }
    bool U8(std::uint8_t& value)
    {
        std::uint64_t v = 0;
        if (!Unsigned(1, v)) return false;
        value = static_cast<std::uint8_t>(v);
        return true;
    }
    bool U32(std::uint32_t& value)
    {
        std::uint64_t v = 0;
        if (!Unsigned(4, v)) return false;
        value = static_cast<std::uint32_t>(v);
        return true;
    }
    bool I32(std::int32_t& value)
    {
        std::uint32_t v = 0;
        if (!U32(v)) return false;
        value = static_cast<std::int32_t>(v);
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace vantrel::studio::io
