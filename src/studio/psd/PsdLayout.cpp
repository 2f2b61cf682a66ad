#include "studio/psd/PsdLayout.h"

#include <algorithm>
#include <cstring>

#include "studio/psd/ColorModes.h"
#include "studio/psd/PsdResources.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::io::CFileCursor;

namespace vantrel::studio::psd {

namespace {

constexpr std::size_t kHeaderBytes = 26;
constexpr std::size_t kPaletteBytes = 768;

std::uint32_t Read16(const std::uint8_t* bytes) { return (std::uint32_t{bytes[0]} << 8) | bytes[1]; }
std::uint32_t Read32(const std::uint8_t* bytes) { return (Read16(bytes) << 16) | Read16(bytes + 2); }
std::uint64_t Read64(const std::uint8_t* bytes) { return (std::uint64_t{Read32(bytes)} << 32) | Read32(bytes + 4); }

bool CheckSide(const char* name, std::uint32_t value, int limit, CPsdRefusal& refusal)
{
    if (value == 0) {
        refusal = CPsdRefusal::Of(PsdError::SideZero, name);
        return false;
    }
    if (value > static_cast<std::uint32_t>(limit)) {
        refusal = CPsdRefusal::Of(PsdError::SideTooLong, name, value, limit);
        return false;
    }
    return true;
}

bool CheckHeader(const std::uint8_t* header, CPsdLayout& layout, CPsdRefusal& refusal)
{
    const std::uint32_t version = Read16(header + 4);
    if (version != 1 && version != 2) {
        refusal = CPsdRefusal::Of(PsdError::UnknownVersion, version);
        return false;
    }
    const std::uint32_t channels = Read16(header + 12);
    if (channels == 0) {
        refusal = CPsdRefusal::Of(PsdError::NoChannels);
        return false;
    }
    const std::uint32_t height = Read32(header + 14);
    const std::uint32_t width = Read32(header + 18);
    const int sideLimit = version == 2 ? CPsdLayout::kMaxPsbSide : CPsdLayout::kMaxPsdSide;
    if (!CheckSide("width", width, sideLimit, refusal) || !CheckSide("height", height, sideLimit, refusal)) return false;
    if (std::uint64_t{width} * height > CPsdLayout::kMaxPixels) {
        refusal = CPsdRefusal::Of(PsdError::TooManyPixels, width, height, CPsdLayout::kMaxPixels);
        return false;
    }

    const auto depth = static_cast<int>(Read16(header + 22));
    const auto modeCode = static_cast<int>(Read16(header + 24));
    const CColorMode* mode = FindReadableColorMode(modeCode);
    if (mode == nullptr) {
        refusal = CPsdRefusal::Of(PsdError::UnknownColorMode, modeCode);
        return false;
    }
    if (!AllowsDepth(*mode, depth)) {
        refusal = CPsdRefusal::Of(PsdError::DepthForMode, depth, mode->name);
        return false;
    }
    if (static_cast<int>(channels) < mode->colourChannels) {
        refusal = CPsdRefusal::Of(PsdError::TooFewChannels, mode->name, mode->colourChannels, channels);
        return false;
    }
    layout.version = static_cast<int>(version);
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.channels = static_cast<int>(channels);
    layout.depth = depth;
    layout.colorMode = modeCode;
    // Every channel of a Multichannel document is an ink.
    layout.colourChannels = mode->colourChannels == 0 ? layout.channels : mode->colourChannels;
    return true;
}

// Reads a section's length word (lengthBytes long) and returns the section's length, or fails
// when the section would run past the end of the file.
bool TakeSectionLength(CFileCursor& cursor, std::uint64_t fileSize, const char* section, std::size_t lengthBytes,
                       std::uint64_t& length, CPsdRefusal& refusal)
{
    const std::uint8_t* word = cursor.Take(lengthBytes);
    if (word != nullptr) {
        length = lengthBytes == 8 ? Read64(word) : Read32(word);
        if (length <= fileSize - cursor.Position()) return true;
    }
    refusal = CPsdRefusal::Of(PsdError::TruncatedSection, section);
    return false;
}

// Whether the first channel after the colour channels is the composite's transparency rather
// than a saved selection or a spot colour. The layer section says so outright (a negative layer
// count, or a merged-transparency block); the alpha identifiers mark the transparency with
// identifier 0; and a document that describes none of its extra channels (no identifiers, names
// or display colours, as some writers save a transparent image) means it as transparency too,
// while an editor names every selection and spot channel it saves.
bool FirstExtraIsTransparency(const CPsdLayout& layout, const CPsdResourceNotes& resources, const CPsdLayerNotes& layers)
{
    if (layout.channels <= layout.colourChannels) return false;
    if (layers.negativeLayerCount || layers.transparencyBlock) return true;
    if (resources.hasAlphaIdentifiers) {
        // The identifiers belong to the last channels, one each.
        const auto& ids = resources.alphaIdentifiers;
        const auto zero = std::find(ids.begin(), ids.end(), 0u);
        if (zero == ids.end()) return false;
        const std::int64_t index = std::int64_t{layout.channels} - static_cast<std::int64_t>(ids.size()) + (zero - ids.begin());
        return index == layout.colourChannels;
    }
    return !resources.hasAlphaNames && resources.displayColours.empty();
}

}  // namespace

bool ReadPsdLayout(CDocumentFile& file, CPsdLayout& layout, CPsdRefusal& refusal)
{
    std::uint8_t header[kHeaderBytes] = {};
    const auto available = static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kHeaderBytes));
    if (available < 4 || !file.ReadAt(0, header, available) || std::memcmp(header, "8BPS", 4) != 0) {
        refusal = CPsdRefusal::Of(PsdError::NotPsd);
        return false;
    }
    if (available < kHeaderBytes) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedHeader);
        return false;
    }
    if (!CheckHeader(header, layout, refusal)) return false;

    CFileCursor cursor(file, kHeaderBytes);

    std::uint64_t length = 0;
    if (!TakeSectionLength(cursor, file.Size(), "colour-mode data", 4, length, refusal)) return false;
    if (layout.colorMode == 2) {
        if (length < kPaletteBytes) {
            refusal = CPsdRefusal::Of(PsdError::NoPalette);
            return false;
        }
        const std::uint8_t* palette = cursor.Take(kPaletteBytes);
        if (palette == nullptr) {
            refusal = CPsdRefusal::Of(PsdError::TruncatedSection, "colour-mode data");
            return false;
        }
        layout.palette.assign(palette, palette + kPaletteBytes);
        length -= kPaletteBytes;
    }
    cursor.Skip(length);

    if (!TakeSectionLength(cursor, file.Size(), "image resources", 4, length, refusal)) return false;
    layout.resourcesOffset = cursor.Position();
    layout.resourcesLength = length;
    CPsdResourceNotes resources;
    if (!ReadImageResources(file, cursor.Position(), length, resources, refusal)) return false;
    cursor.Skip(length);

    const std::size_t layerLengthBytes = layout.version == 2 ? 8 : 4;
    if (!TakeSectionLength(cursor, file.Size(), "layer and mask information", layerLengthBytes, length, refusal))
        return false;
    layout.layersOffset = cursor.Position();
    layout.layersLength = length;
    layout.sectionsRead = true;
    const CPsdLayerNotes layers = ReadLayerNotes(file, cursor.Position(), length, layout.version);
    cursor.Skip(length);

    const std::uint8_t* compression = cursor.Take(2);
    if (compression == nullptr) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedImageData);
        return false;
    }
    layout.compression = static_cast<int>(Read16(compression));
    if (layout.compression > 3) {
        refusal = CPsdRefusal::Of(PsdError::UnknownCompression, layout.compression);
        return false;
    }
    layout.imageDataOffset = cursor.Position();

    layout.mergedTransparency = layout.colorMode != 0 && FirstExtraIsTransparency(layout, resources, layers);
    if (layout.DrawnChannels() > CPsdLayout::kMaxDrawnChannels) {
        refusal =
            CPsdRefusal::Of(PsdError::TooManyDrawnChannels, layout.DrawnChannels(), CPsdLayout::kMaxDrawnChannels);
        return false;
    }
    if (layout.colorMode == 2 && resources.transparentIndex >= 0 && resources.transparentIndex < 256)
        layout.transparentIndex = resources.transparentIndex;
    if (layout.colorMode == 7) {
        // Multichannel display colours are listed channel by channel from the first.
        layout.inks = std::move(resources.displayColours);
        layout.inks.resize(static_cast<std::size_t>(layout.colourChannels));
    }
    layout.iccProfile = std::move(resources.iccProfile);
    layout.globalLightAngle = resources.globalLightAngle;
    layout.globalLightAltitude = resources.globalLightAltitude;
    return true;
}

}  // namespace vantrel::studio::psd
