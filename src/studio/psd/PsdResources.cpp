#include "studio/psd/PsdResources.h"

#include <algorithm>
#include <cstring>

using vantrel::studio::io::CDocumentFile;

namespace vantrel::studio::psd {

namespace {

std::uint32_t Read16(const std::uint8_t* bytes) { return (std::uint32_t{bytes[0]} << 8) | bytes[1]; }
std::uint32_t Read32(const std::uint8_t* bytes) { return (Read16(bytes) << 16) | Read16(bytes + 2); }
std::uint64_t Read64(const std::uint8_t* bytes) { return (std::uint64_t{Read32(bytes)} << 32) | Read32(bytes + 4); }

constexpr std::uint16_t kAlphaNamesPascal = 0x03EE;
constexpr std::uint16_t kDisplayInfoObsolete = 0x03EF;
constexpr std::uint16_t kGlobalLightAngle = 0x040D;
constexpr std::uint16_t kIccProfile = 0x040F;
constexpr std::uint16_t kAlphaNamesUnicode = 0x0415;
constexpr std::uint16_t kTransparencyIndex = 0x0417;
constexpr std::uint16_t kGlobalLightAltitude = 0x0419;
constexpr std::uint16_t kAlphaIdentifiers = 0x041D;
constexpr std::uint16_t kDisplayInfo = 0x0435;

// Reads a small resource whole; its size has been bounded by the caller.
bool ReadBody(CDocumentFile& file, std::uint64_t offset, std::uint64_t size, std::vector<std::uint8_t>& body)
{
    body.resize(static_cast<std::size_t>(size));
    return file.ReadAt(offset, body.data(), body.size());
}

// Display information: one entry per extra channel, 13 bytes each after a version word in the
// current resource, 14 bytes each (one of padding) in the obsolete one.
void ReadDisplayColours(const std::vector<std::uint8_t>& body, bool current, std::vector<CDisplayColour>& colours)
{
    const std::size_t start = current ? 4 : 0;
    const std::size_t stride = current ? 13 : 14;
    colours.clear();
    for (std::size_t at = start; at + 13 <= body.size(); at += stride) {
        CDisplayColour colour;
        colour.space = static_cast<int>(Read16(&body[at]));
        for (int k = 0; k < 4; ++k) colour.components[k] = static_cast<std::uint16_t>(Read16(&body[at + 2 + 2 * k]));
        colour.solidity = std::min(100, static_cast<int>(Read16(&body[at + 10])));
        colours.push_back(colour);
    }
}

}  // namespace

bool ReadImageResources(CDocumentFile& file, std::uint64_t start, std::uint64_t length, CPsdResourceNotes& notes,
                        CPsdRefusal& refusal)
{
    const std::uint64_t end = start + length;
    std::uint64_t at = start;
    std::vector<std::uint8_t> body;
    bool haveCurrentDisplayInfo = false;
    while (end - at >= 12) {
        std::uint8_t head[8];
        if (!file.ReadAt(at, head, sizeof head)) return true;
        const auto id = static_cast<std::uint16_t>(Read16(head + 4));
        const std::uint64_t nameBytes = (1u + head[6] + 1u) & ~1u;  // a Pascal string padded to even
        if (end - at < 6 + nameBytes + 4) return true;
        std::uint8_t sizeWord[4];
        if (!file.ReadAt(at + 6 + nameBytes, sizeWord, sizeof sizeWord)) return true;
        const std::uint64_t size = Read32(sizeWord);
        const std::uint64_t dataAt = at + 6 + nameBytes + 4;
        if (size > end - dataAt) return true;
        switch (id) {
        case kIccProfile:
            if (size > CPsdLayout::kMaxProfileBytes) {
                refusal = CPsdRefusal::Of(PsdError::ProfileTooLarge, size, CPsdLayout::kMaxProfileBytes);
                return false;
            }
            if (!ReadBody(file, dataAt, size, notes.iccProfile)) notes.iccProfile.clear();
            break;
        case kAlphaIdentifiers:
            if (size <= 4 * CPsdLayout::kMaxDescribedChannels && ReadBody(file, dataAt, size, body)) {
                notes.hasAlphaIdentifiers = true;
                notes.alphaIdentifiers.clear();
                for (std::size_t k = 0; k + 4 <= body.size(); k += 4) notes.alphaIdentifiers.push_back(Read32(&body[k]));
            }
            break;
        case kAlphaNamesPascal:
        case kAlphaNamesUnicode:
            notes.hasAlphaNames = notes.hasAlphaNames || size > 0;
            break;
        case kDisplayInfo:
        case kDisplayInfoObsolete:
            // The current resource wins over the obsolete one, whichever comes first.
            if ((id == kDisplayInfo || !haveCurrentDisplayInfo) && size <= 14 * CPsdLayout::kMaxDescribedChannels + 4 &&
                ReadBody(file, dataAt, size, body)) {
                ReadDisplayColours(body, id == kDisplayInfo, notes.displayColours);
                haveCurrentDisplayInfo = haveCurrentDisplayInfo || id == kDisplayInfo;
            }
            break;
        case kTransparencyIndex:
            if (size >= 2 && ReadBody(file, dataAt, 2, body)) notes.transparentIndex = static_cast<int>(Read16(body.data()));
            break;
        case kGlobalLightAngle:
        case kGlobalLightAltitude:
            // A signed 32-bit number of degrees; the effects that follow the global light use it.
            if (size >= 4 && ReadBody(file, dataAt, 4, body)) {
                const auto degrees = static_cast<std::int32_t>(Read32(body.data()));
                (id == kGlobalLightAngle ? notes.globalLightAngle : notes.globalLightAltitude) = degrees % 360;
            }
            break;
        default: break;
        }
        at = dataAt + size + (size & 1);
        if (at > end) return true;
    }
    return true;
}

namespace {

// Tagged blocks whose length is 8 bytes in a PSB.
bool HasLongLength(const std::uint8_t* key)
{
    static constexpr const char* kLongKeys[] = {"LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn", "Alph",
                                                "FMsk", "lnk2", "FEid", "FXid", "PxSD", "lnkE", "lnk3", "extn",
                                                "cinf", "artb", "pths"};
    for (const char* candidate : kLongKeys)
        if (std::memcmp(key, candidate, 4) == 0) return true;
    return false;
}

bool IsKey(const std::uint8_t* key, const char* name) { return std::memcmp(key, name, 4) == 0; }

// A layer info structure's layer count: negative when the first extra channel of the composite
// is its transparency.
bool LayerCountIsNegative(CDocumentFile& file, std::uint64_t at, std::uint64_t available)
{
    std::uint8_t count[2];
    return available >= 2 && file.ReadAt(at, count, 2) && (count[0] & 0x80) != 0;
}

}  // namespace

CPsdLayerNotes ReadLayerNotes(CDocumentFile& file, std::uint64_t start, std::uint64_t length, int version)
{
    CPsdLayerNotes notes;
    const std::uint64_t end = start + length;
    const std::uint64_t lengthBytes = version == 2 ? 8 : 4;
    std::uint8_t word[8];
    // Layer info: its length, then the layer count.
    if (length < lengthBytes || !file.ReadAt(start, word, lengthBytes)) return notes;
    const std::uint64_t layerInfo = version == 2 ? Read64(word) : Read32(word);
    std::uint64_t at = start + lengthBytes;
    if (layerInfo > end - at) return notes;
    notes.negativeLayerCount = LayerCountIsNegative(file, at, layerInfo);
    at += layerInfo;
    // Global layer mask information: its length, then its data.
    if (end - at < 4 || !file.ReadAt(at, word, 4)) return notes;
    const std::uint64_t globalMask = Read32(word);
    at += 4;
    if (globalMask > end - at) return notes;
    at += globalMask;
    // Tagged blocks, each aligned to four bytes. Documents of 16 and 32 bits keep their layers
    // in one of them, with the layer count first.
    while (end - at >= 12) {
        std::uint8_t head[8];
        if (!file.ReadAt(at, head, sizeof head)) break;
        if (!IsKey(head, "8BIM") && !IsKey(head, "8B64")) break;
        const std::uint8_t* key = head + 4;
        const std::uint64_t sizeBytes = version == 2 && HasLongLength(key) ? 8 : 4;
        if (end - at < 8 + sizeBytes || !file.ReadAt(at + 8, word, sizeBytes)) break;
        const std::uint64_t size = sizeBytes == 8 ? Read64(word) : Read32(word);
        const std::uint64_t dataAt = at + 8 + sizeBytes;
        if (size > end - dataAt) break;
        if (IsKey(key, "Mtrn") || IsKey(key, "Mt16") || IsKey(key, "Mt32")) notes.transparencyBlock = true;
        if ((IsKey(key, "Lr16") || IsKey(key, "Lr32") || IsKey(key, "Layr")) && LayerCountIsNegative(file, dataAt, size))
            notes.negativeLayerCount = true;
        const std::uint64_t padded = (size + 3) & ~std::uint64_t{3};
        if (padded > end - dataAt) break;
        at = dataAt + padded;
    }
    return notes;
}

}  // namespace vantrel::studio::psd
