#include "document/PsdHeader.h"

#include <algorithm>
#include <optional>

namespace vantrel::document {

namespace {

std::uint32_t BigEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

CPsdHeader ReadPsdHeader(platform::IFiles& files, int handle)
{
    // The fixed header in one read: signature, version, 6 reserved bytes, channels, height,
    // width, depth, colour mode, all big-endian. A field the file ends inside of stays 0.
    unsigned char bytes[26];
    const long got = files.Read(handle, bytes, sizeof bytes);
    CPsdHeader header;
    auto field = [&](int offset, int count) -> std::optional<std::uint32_t> {
        if (got < offset + count) return std::nullopt;
        return BigEndian(bytes + offset, count);
    };
    if (got >= 4) std::copy(bytes, bytes + 4, header.signature);
    header.version = static_cast<std::uint16_t>(field(4, 2).value_or(0));
    header.channels = static_cast<std::int16_t>(field(12, 2).value_or(0));
    header.height = static_cast<std::int32_t>(field(14, 4).value_or(0));
    header.width = static_cast<std::int32_t>(field(18, 4).value_or(0));
    header.depth = static_cast<std::uint16_t>(field(22, 2).value_or(0));
    header.colorMode = static_cast<std::int16_t>(field(24, 2).value_or(0));
    return header;
}

}  // namespace vantrel::document
