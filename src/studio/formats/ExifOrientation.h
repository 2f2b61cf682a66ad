#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::studio::formats {

// The orientation an EXIF block records (tag 0x0112 of its first image directory), 1 to 8,
// from an APP1 segment's payload starting "Exif\0\0"; 1 (as stored) when there is none or the
// block is damaged. Reads only inside the payload.
int ExifOrientation(const std::uint8_t* payload, std::size_t size);

}  // namespace vantrel::studio::formats
