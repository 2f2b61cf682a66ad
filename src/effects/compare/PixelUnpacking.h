#pragma once

// How a pixel of each display format yields its three channel values, and how many pixels a run
// of bytes holds. Both image comparisons read pixels through these helpers.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/DisplayFormat.h"

namespace vantrel::effects::compare {

// Whether a format is one of the four; a platform::DisplayFormat made from an arbitrary number need not be.
constexpr bool IsComparableFormat(platform::DisplayFormat format)
{
    return format >= platform::DisplayFormat::Bits8 && format <= platform::DisplayFormat::Bits32;
}

// Bytes that one pixel takes in a format (1 to 4).
constexpr std::size_t BytesPerPixel(platform::DisplayFormat format)
{
    return static_cast<std::size_t>(format) + 1;
}

// The number of whole pixels in a run of bytes.
constexpr std::size_t PixelCount(platform::DisplayFormat format, std::size_t byteCount)
{
    return byteCount / BytesPerPixel(format);
}

// The three channel values of one pixel. In the display formats c0 is blue, c1 green, c2 red.
struct PixelChannels {
    std::uint8_t c0;
    std::uint8_t c1;
    std::uint8_t c2;

    friend constexpr bool operator==(const PixelChannels&, const PixelChannels&) = default;
};

// A 5-6-5 word: red in the top five bits, green in the middle six, blue in the low five. The freed
// low bits stay zero, so the channels top out at 248, 252 and 248.
constexpr PixelChannels UnpackPixel16(std::uint16_t word)
{
    return PixelChannels{static_cast<std::uint8_t>((word & 0x1Fu) << 3),
                         static_cast<std::uint8_t>(((word >> 5) & 0x3Fu) << 2),
                         static_cast<std::uint8_t>(((word >> 11) & 0x1Fu) << 3)};
}

// A 32-bit pixel value: the three low bytes; the top byte is ignored.
constexpr PixelChannels UnpackPixel32(std::uint32_t value)
{
    return PixelChannels{static_cast<std::uint8_t>(value & 0xFFu),
                         static_cast<std::uint8_t>((value >> 8) & 0xFFu),
                         static_cast<std::uint8_t>((value >> 16) & 0xFFu)};
}

// Pixel k of a run in a given format; every value is read little-endian. A one-byte pixel gives
// its byte for all three channels.
inline PixelChannels ReadPixel(const std::uint8_t* bytes, platform::DisplayFormat format, std::size_t k)
{
    switch (format) {
    case platform::DisplayFormat::Bits8: {
        const std::uint8_t v = bytes[k];
        return PixelChannels{v, v, v};
    }
    case platform::DisplayFormat::Bits16: {
        const std::uint8_t* p = bytes + 2 * k;
        return UnpackPixel16(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    }
    case platform::DisplayFormat::Bits24: {
        const std::uint8_t* p = bytes + 3 * k;
        return PixelChannels{p[0], p[1], p[2]};
    }
    default: {
        const std::uint8_t* p = bytes + 4 * k;
        return UnpackPixel32(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                             (static_cast<std::uint32_t>(p[2]) << 16) |
                             (static_cast<std::uint32_t>(p[3]) << 24));
    }
    }
}

}  // namespace vantrel::effects::compare
