#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::studio::psd {

// Unpacks one PackBits-compressed row into exactly outputSize bytes. Returns false when the
// packed bytes end inside a run or yield fewer or more bytes than the row holds; nothing is
// ever read or written outside the two buffers.
bool UnpackBitsRow(const std::uint8_t* packed, std::size_t packedSize, std::uint8_t* output,
                   std::size_t outputSize);

}  // namespace vantrel::studio::psd
