#include "studio/psd/PackBits.h"

#include <cstring>

namespace vantrel::studio::psd {

namespace {
// The longest run one header can describe. Where both buffers have this much room left, runs
// are copied at this fixed length, which compiles to a few vector moves instead of a call or
// a string instruction with its start-up cost; the bytes past the run are overwritten later.
constexpr std::size_t kLongestRun = 128;
}  // namespace

bool UnpackBitsRow(const std::uint8_t* packed, std::size_t packedSize, std::uint8_t* output,
                   std::size_t outputSize)
{
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < packedSize) {
        const int header = static_cast<std::int8_t>(packed[in++]);
        if (header >= 0) {
            const auto length = static_cast<std::size_t>(header) + 1;
            if (length > packedSize - in || length > outputSize - out) return false;
            if (packedSize - in >= kLongestRun && outputSize - out >= kLongestRun)
                std::memcpy(output + out, packed + in, kLongestRun);
            else
                std::memcpy(output + out, packed + in, length);
            in += length;
            out += length;
        } else if (header != -128) {  // -128 is a no-op some writers pad with
            const auto length = static_cast<std::size_t>(1 - header);
            if (in == packedSize || length > outputSize - out) return false;
            if (outputSize - out >= kLongestRun)
                std::memset(output + out, packed[in], kLongestRun);
            else
                std::memset(output + out, packed[in], length);
            ++in;
            out += length;
        }
    }
    return out == outputSize;
}

}  // namespace vantrel::studio::psd
