#include "studio/psd/PsdPatterns.h"

#include <algorithm>

#include "studio/io/SpanReader.h"
#include "studio/psd/PackBits.h"
#include "studio/psd/PsdLayerRecords.h"

using vantrel::studio::io::CSpanReader;

namespace vantrel::studio::psd {

namespace {

constexpr int kGreyMode = 1;
constexpr int kIndexedMode = 2;
constexpr int kRgbMode = 3;

struct CChannelPlane {
    bool written = false;
    std::vector<std::uint8_t> samples;  // width x height, decoded
};

// The identifier: a Pascal string, not padded.
bool ReadPascal(CSpanReader& reader, std::string& text)
{
    std::uint8_t length = 0;
    if (!reader.U8(length) || length > reader.Left()) return false;
    text.assign(reinterpret_cast<const char*>(reader.Here()), length);
    reader.Skip(length);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return true;
}

// One channel of the pattern's array: written flag, length, then depth, rectangle, depth again,
// compression and the samples. Fills plane when the channel is written and decodable.
bool ReadChannel(CSpanReader& list, int width, int height, CChannelPlane& plane, std::string& problem)
{
    std::uint32_t written = 0;
    if (!list.U32(written)) return false;
    if (written == 0) return true;
    std::uint32_t length = 0;
    if (!list.U32(length) || length > list.Left()) return false;
    CSpanReader channel(list.Here(), length);
    list.Skip(length);
    if (length == 0) return true;
    std::uint32_t depth = 0;
    std::int32_t rect[4] = {};
    std::uint64_t pixelDepth = 0;
    std::uint8_t compression = 0;
    if (!channel.U32(depth) || !channel.I32(rect[0]) || !channel.I32(rect[1]) || !channel.I32(rect[2]) ||
        !channel.I32(rect[3]) || !channel.Unsigned(2, pixelDepth) || !channel.U8(compression))
        return false;
    if (depth != 8 || pixelDepth != 8) {
        problem = "a pattern of " + std::to_string(depth) + "-bit samples";
        return true;
    }
    if (std::int64_t{rect[3]} - rect[1] != width || std::int64_t{rect[2]} - rect[0] != height) {
        problem = "a pattern whose channels are not its size";
        return true;
    }
    const auto columns = static_cast<std::size_t>(width);
    const auto rows = static_cast<std::size_t>(height);
    if (compression == 0) {
        if (channel.Left() < columns * rows) return false;
        plane.samples.assign(channel.Here(), channel.Here() + columns * rows);
    } else if (compression == 1) {
        // Each row's packed length, two bytes each, then the rows.
        if (channel.Left() / 2 < rows) return false;
        CSpanReader counts(channel.Here(), rows * 2);
        channel.Skip(rows * 2);
        plane.samples.resize(columns * rows);
        for (std::size_t y = 0; y < rows; ++y) {
            std::uint64_t packed = 0;
            counts.Unsigned(2, packed);
            if (packed > channel.Left() || !UnpackBitsRow(channel.Here(), static_cast<std::size_t>(packed),
                                                          plane.samples.data() + y * columns, columns))
                return false;
            channel.Skip(packed);
        }
    } else {
        problem = "a ZIP-compressed pattern";
        return true;
    }
    plane.written = true;
    return true;
}

// Reads one pattern (after its length word). Returns false when malformed; a pattern that is
// well formed but not decoded leaves problem set.
bool ReadPattern(CSpanReader& reader, const std::vector<std::string>& wanted, std::size_t& decodedPixels,
                 CPsdPattern& pattern, std::string& problem)
{
    std::uint32_t version = 0;
    std::uint32_t mode = 0;
    std::uint64_t height = 0;
    std::uint64_t width = 0;
    std::uint32_t nameLength = 0;
    if (!reader.U32(version) || version != 1 || !reader.U32(mode) || !reader.Unsigned(2, height) ||
        !reader.Unsigned(2, width) || !reader.U32(nameLength) || nameLength > reader.Left() / 2)
        return false;
    reader.Skip(std::uint64_t{nameLength} * 2);
    if (!ReadPascal(reader, pattern.id)) return false;
    if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), pattern.id) == wanted.end()) return true;
    std::uint8_t palette[256 * 3] = {};
    if (mode == kIndexedMode) {
        if (reader.Left() < sizeof palette + 4) return false;
        std::copy_n(reader.Here(), sizeof palette, palette);  // red, green, blue for each entry
        reader.Skip(sizeof palette + 4);
    }
    if (mode != kGreyMode && mode != kIndexedMode && mode != kRgbMode) {
        problem = "a pattern in colour mode " + std::to_string(mode);
        return true;
    }
    // The 16-bit sides are signed in the format; a negative one is no pattern.
    if (height == 0 || width == 0 || height > 0x7FFF || width > 0x7FFF) return false;
    if (width * height >
        CPsdLayerLimits::kMaxPatternPixels - std::min(decodedPixels, CPsdLayerLimits::kMaxPatternPixels)) {
        problem = "patterns of more than " + std::to_string(CPsdLayerLimits::kMaxPatternPixels) + " pixels in all";
        return true;
    }
    pattern.width = static_cast<int>(width);
    pattern.height = static_cast<int>(height);

    std::uint32_t listVersion = 0;
    std::uint32_t listLength = 0;
    if (!reader.U32(listVersion) || listVersion != 3 || !reader.U32(listLength) || listLength > reader.Left())
        return false;
    CSpanReader list(reader.Here(), listLength);
    reader.Skip(listLength);
    std::int32_t rect[4] = {};
    std::uint32_t channelCount = 0;
    if (!list.I32(rect[0]) || !list.I32(rect[1]) || !list.I32(rect[2]) || !list.I32(rect[3]) || !list.U32(channelCount))
        return false;
    const std::size_t colourChannels = mode == kRgbMode ? 3 : 1;
    // The colour channels, then the first further written one as the pattern's transparency.
    std::vector<CChannelPlane> planes(colourChannels + 1);
    std::size_t next = 0;
    for (std::uint64_t i = 0; i < std::uint64_t{channelCount} + 2 && list.Left() > 0 && next < planes.size(); ++i) {
        CChannelPlane plane;
        if (!ReadChannel(list, pattern.width, pattern.height, plane, problem)) return false;
        if (!problem.empty()) return true;
        if (i < colourChannels) {
            if (!plane.written) {
                problem = "a pattern without its colour";
                return true;
            }
            planes[next++] = std::move(plane);
        } else if (plane.written) {
            planes[next++] = std::move(plane);
        }
    }
    if (next < colourChannels) {
        problem = "a pattern without its colour";
        return true;
    }
    const std::size_t pixels = static_cast<std::size_t>(width * height);
    pattern.rgba.resize(pixels * 4);
    const bool hasAlpha = planes[colourChannels].written;
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint8_t* out = pattern.rgba.data() + i * 4;
        if (mode == kRgbMode) {
            for (int c = 0; c < 3; ++c) out[c] = planes[static_cast<std::size_t>(c)].samples[i];
        } else if (mode == kIndexedMode) {
            const std::uint8_t* entry = palette + planes[0].samples[i] * 3;
            std::copy_n(entry, 3, out);
        } else {
            std::fill_n(out, 3, planes[0].samples[i]);
        }
        out[3] = hasAlpha ? planes[colourChannels].samples[i] : 255;
    }
    decodedPixels += pixels;
    return true;
}

}  // namespace

bool ReadPatternBlock(std::span<const std::uint8_t> block, const std::vector<std::string>& wanted,
                      std::vector<CPsdPattern>& patterns, std::vector<CSkippedPattern>& skipped, std::string& reason)
{
    std::size_t decodedPixels = 0;
    for (const CPsdPattern& pattern : patterns) decodedPixels += pattern.rgba.size() / 4;
    CSpanReader reader(block.data(), block.size());
    while (reader.Left() >= 4) {
        std::uint32_t length = 0;
        reader.U32(length);
        if (length > reader.Left()) {
            reason = "a pattern runs past its block";
            return false;
        }
        CSpanReader one(reader.Here(), length);
        // Each pattern is padded to a multiple of four bytes.
        reader.Skip(std::min<std::uint64_t>(reader.Left(), (std::uint64_t{length} + 3) & ~std::uint64_t{3}));
        CPsdPattern pattern;
        std::string problem;
        if (!ReadPattern(one, wanted, decodedPixels, pattern, problem)) {
            reason = "a malformed pattern";
            return false;
        }
        if (!problem.empty())
            skipped.push_back({pattern.id, problem});
        else if (!pattern.rgba.empty())
            patterns.push_back(std::move(pattern));
    }
    return true;
}

}  // namespace vantrel::studio::psd
