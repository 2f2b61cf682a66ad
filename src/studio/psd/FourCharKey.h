#pragma once

#include <cstdint>

namespace vantrel::studio::psd {

// A format key of four characters ('8BIM', 'norm', 'lsct' ...) as the big-endian word the file
// stores.
constexpr std::uint32_t FourCharKey(const char (&text)[5])
{
    return (std::uint32_t(std::uint8_t(text[0])) << 24) | (std::uint32_t(std::uint8_t(text[1])) << 16) |
           (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

}  // namespace vantrel::studio::psd
