#include "studio/psd/PsdLayout.h"

#include <algorithm>
#include <cstring>

#include "studio/psd/ColorModes.h"
#include "text/ColorModeNames.h"

namespace vantrel::studio {

namespace {

constexpr std::size_t kHeaderBytes = 26;
constexpr std::size_t kPaletteBytes = 768;

std::uint32_t Read16(const std::uint8_t* bytes) { return (std::uint32_t{bytes[0]} << 8) | bytes[1]; }
std::uint32_t Read32(const std::uint8_t* bytes) { return (Read16(bytes) << 16) | Read16(bytes + 2); }

bool CheckSide(const char* name, std::uint32_t value, std::string& reason)
{
    if (value == 0) {
        reason = std::string(name) + " is 0";
        return false;
    }
    if (value > static_cast<std::uint32_t>(CPsdLayout::kMaxSide)) {
        reason = std::string(name) + " " + std::to_string(value) + " exceeds " + std::to_string(CPsdLayout::kMaxSide);
        return false;
    }
    return true;
}

bool CheckHeader(const std::uint8_t* header, CPsdLayout& layout, std::string& reason)
{
    const std::uint32_t version = Read16(header + 4);
    if (version == 2) {
        reason = "PSB (version 2) documents are not supported";
        return false;
    }
    if (version != 1) {
        reason = "unknown PSD version " + std::to_string(version);
        return false;
    }
    const std::uint32_t channels = Read16(header + 12);
    if (channels == 0 || channels > static_cast<std::uint32_t>(CPsdLayout::kMaxChannels)) {
        reason = "channel count " + std::to_string(channels) + " is outside 1.." +
                 std::to_string(CPsdLayout::kMaxChannels);
        return false;
    }
    const std::uint32_t height = Read32(header + 14);
    const std::uint32_t width = Read32(header + 18);
    if (!CheckSide("width", width, reason) || !CheckSide("height", height, reason)) return false;

    const auto depth = static_cast<int>(Read16(header + 22));
    const auto modeCode = static_cast<int>(Read16(header + 24));
    const CColorMode* mode = FindReadableColorMode(modeCode);
    if (mode == nullptr) {
        const text::ColorModeName* named = text::FindColorMode(modeCode);
        reason = "colour mode " + std::to_string(modeCode) + " (" +
                 std::string(named ? named->title : "unknown") + ") is not supported";
        return false;
    }
    if (depth != mode->depth) {
        reason = "depth " + std::to_string(depth) + " is not supported for " + std::string(mode->name) + " documents";
        return false;
    }
    if (static_cast<int>(channels) < mode->colourChannels) {
        reason = std::string(mode->name) + " needs " + std::to_string(mode->colourChannels) +
                 " channels, the document has " + std::to_string(channels);
        return false;
    }
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.channels = static_cast<int>(channels);
    layout.depth = depth;
    layout.colorMode = modeCode;
    layout.version = static_cast<int>(version);
    return true;
}

// Reads a section's length word and returns the section's length, or fails when the section
// would run past the end of the file.
bool TakeSectionLength(CFileCursor& cursor, std::uint64_t fileSize, const char* section,
                       std::uint32_t& length, std::string& reason)
{
    const std::uint8_t* word = cursor.Take(4);
    if (word != nullptr) {
        length = Read32(word);
        if (length <= fileSize - cursor.Position()) return true;
    }
    reason = std::string("truncated ") + section;
    return false;
}

}  // namespace

bool ReadPsdLayout(CDocumentFile& file, CPsdLayout& layout, std::string& reason)
{
    std::uint8_t header[kHeaderBytes] = {};
    const auto available = static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kHeaderBytes));
    if (available < 4 || !file.ReadAt(0, header, available) || std::memcmp(header, "8BPS", 4) != 0) {
        reason = "not a PSD document";
        return false;
    }
    if (available < kHeaderBytes) {
        reason = "truncated header";
        return false;
    }
    if (!CheckHeader(header, layout, reason)) return false;

    CFileCursor cursor(file, kHeaderBytes);

    std::uint32_t length = 0;
    if (!TakeSectionLength(cursor, file.Size(), "colour-mode data", length, reason)) return false;
    if (layout.colorMode == 2) {
        if (length < kPaletteBytes) {
            reason = "indexed document without a 768-byte palette";
            return false;
        }
        const std::uint8_t* palette = cursor.Take(kPaletteBytes);
        if (palette == nullptr) {
            reason = "truncated colour-mode data";
            return false;
        }
        layout.palette.assign(palette, palette + kPaletteBytes);
        length -= kPaletteBytes;
    }
    cursor.Skip(length);
    if (!TakeSectionLength(cursor, file.Size(), "image resources", length, reason)) return false;
    layout.resourcesOffset = cursor.Position();
    layout.resourcesLength = length;
    cursor.Skip(length);
    if (!TakeSectionLength(cursor, file.Size(), "layer and mask information", length, reason)) return false;
    layout.layersOffset = cursor.Position();
    layout.layersLength = length;
    layout.sectionsRead = true;
    cursor.Skip(length);

    const std::uint8_t* compression = cursor.Take(2);
    if (compression == nullptr) {
        reason = "truncated image data";
        return false;
    }
    layout.compression = static_cast<int>(Read16(compression));
    if (layout.compression == 2 || layout.compression == 3) {
        reason = "ZIP-compressed image data is not supported";
        return false;
    }
    if (layout.compression > 3) {
        reason = "unknown compression " + std::to_string(layout.compression);
        return false;
    }
    layout.imageDataOffset = cursor.Position();
    return true;
}

}  // namespace vantrel::studio
