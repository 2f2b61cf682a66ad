#pragma once

#include <optional>

namespace vantrel::platform {

// The display depths a capture can come in, by the codes the comparisons know them by.
enum class DisplayFormat : int {
    Bits8 = 0,   // one byte per pixel, a 3-3-2 palette index standing for all three channels
    Bits16 = 1,  // a little-endian 5-6-5 word, red on top
    Bits24 = 2,  // blue, green, red
    Bits32 = 3,  // blue, green, red and a byte that is ignored
};

// The format of a depth in bits per pixel; nullopt for a depth that cannot be compared.
constexpr std::optional<DisplayFormat> DisplayFormatFor(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 8: return DisplayFormat::Bits8;
    case 16: return DisplayFormat::Bits16;
    case 24: return DisplayFormat::Bits24;
    case 32: return DisplayFormat::Bits32;
    default: return std::nullopt;
    }
}

constexpr int BitsPerPixelOf(DisplayFormat format)
{
    return (static_cast<int>(format) + 1) * 8;
}

}  // namespace vantrel::platform
