#include "studio/formats/ExifOrientation.h"

#include <cstring>

namespace vantrel::studio::formats {

int ExifOrientation(const std::uint8_t* payload, std::size_t size)
{
    if (size < 6 + 8 || std::memcmp(payload, "Exif\0\0", 6) != 0) return 1;
    const std::uint8_t* tiff = payload + 6;
    const std::size_t length = size - 6;
    bool little;
    if (std::memcmp(tiff, "II*\0", 4) == 0)
        little = true;
    else if (std::memcmp(tiff, "MM\0*", 4) == 0)
        little = false;
    else
        return 1;
    const auto u16 = [&](std::size_t at) -> unsigned {
        return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    const auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? std::uint32_t{u16(at)} | std::uint32_t{u16(at + 2)} << 16
                      : std::uint32_t{u16(at)} << 16 | std::uint32_t{u16(at + 2)};
    };
    const std::uint32_t directory = u32(4);
    if (directory > length || length - directory < 2) return 1;
    const unsigned entries = u16(directory);
    for (unsigned entry = 0; entry < entries; ++entry) {
        const std::size_t at = directory + 2 + std::size_t{entry} * 12;
        if (at + 12 > length) return 1;
        // SHORT, one value, kept in the entry itself.
        if (u16(at) == 0x0112) {
            if (u16(at + 2) != 3 || u32(at + 4) != 1) return 1;
            const unsigned orientation = u16(at + 8);
            return orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 1;
        }
    }
    return 1;
}

}  // namespace vantrel::studio::formats
