#include "studio/psd/PsdLayerRecords.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "studio/io/SpanReader.h"
#include "studio/psd/PsdLayerEffects.h"
#include "studio/psd/FourCharKey.h"
#include "studio/psd/PsdDescriptor.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::io::CFileCursor;
using vantrel::studio::io::CSpanReader;

namespace vantrel::studio::psd {

namespace {

constexpr auto Key = FourCharKey;
constexpr int kGreyMode = 1;
constexpr int kRgbMode = 3;
constexpr int kDuotoneMode = 8;

// A layer's rectangle: top, left, bottom, right.
bool ReadRect(CSpanReader& reader, CPsdRect& rect)
{
    return reader.I32(rect.top) && reader.I32(rect.left) && reader.I32(rect.bottom) && reader.I32(rect.right);
}

// Blocks whose length word is 8 bytes in a large-document file.
bool HasLongLength(std::uint32_t key, bool psb)
{
    if (!psb) return false;
    for (std::uint32_t k : {Key("LMsk"), Key("Lr16"), Key("Lr32"), Key("Layr"), Key("Mt16"), Key("Mt32"), Key("Mtrn"),
                            Key("Alph"), Key("FMsk"), Key("lnk2"), Key("FEid"), Key("FXid"), Key("PxSD")})
        if (key == k) return true;
    return false;
}

bool IsBlockSignature(const std::uint8_t* at) { return std::memcmp(at, "8BIM", 4) == 0 || std::memcmp(at, "8B64", 4) == 0; }

// Calls visit(key, reader over the block's data) for each additional-information block.
// Writers pad blocks to 2 or 4 bytes, or not at all; up to 3 bytes before a signature are
// taken as padding.
template <typename Visit>
bool ForEachBlock(CSpanReader& blocks, bool psb, Visit visit, CPsdRefusal& refusal)
{
    while (blocks.Left() >= 12) {
        int padding = 0;
        while (padding < 3 && blocks.Left() >= 4 && !IsBlockSignature(blocks.Here())) {
            blocks.Skip(1);
            ++padding;
        }
        if (blocks.Left() < 12 || !IsBlockSignature(blocks.Here())) return true;  // trailing filler
        blocks.Skip(4);
        std::uint32_t key = 0;
        blocks.U32(key);
        std::uint64_t length = 0;
        if (!blocks.Unsigned(HasLongLength(key, psb) ? 8 : 4, length) || length > blocks.Left()) {
            refusal = CPsdRefusal::Of(PsdError::BlocksPastSection);
            return false;
        }
        CSpanReader data(blocks.Here(), static_cast<std::size_t>(length));
        blocks.Skip(length);
        if (!visit(key, data)) {
            if (!refusal.Refused()) refusal = CPsdRefusal::Of(PsdError::MalformedBlock);
            return false;
        }
    }
    return true;
}

// The red, green and blue of a solid-colour fill, found by their keys in its descriptor:
// each is a key of four characters, the type 'doub' and a big-endian double from 0 to 255.
bool FindDescriptorRgb(const CSpanReader& data, std::uint8_t rgb[3])
{
    const char* keys[] = {"Rd  doub", "Grn doub", "Bl  doub"};
    const std::uint8_t* begin = data.Here();
    const std::uint8_t* end = begin + data.Left();
    for (int c = 0; c < 3; ++c) {
        const std::uint8_t* hit = std::search(begin, end, keys[c], keys[c] + 8);
        if (hit == end || end - hit < 16) return false;
        std::uint64_t bits = 0;
        for (int i = 8; i < 16; ++i) bits = (bits << 8) | hit[i];
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) return false;
        rgb[c] = static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
    }
    return true;
}

// A boolean of a descriptor, found by its key followed by 'bool' and its byte; fallback when
// it is not there.
bool FindDescriptorBool(const CSpanReader& data, const char* keyAndType, bool fallback)
{
    const std::size_t length = std::strlen(keyAndType);
    const std::uint8_t* begin = data.Here();
    const std::uint8_t* end = begin + data.Left();
    const std::uint8_t* hit = std::search(begin, end, keyAndType, keyAndType + length);
    if (hit == end || end - hit <= static_cast<std::ptrdiff_t>(length)) return fallback;
    return hit[length] != 0;
}

// Where the bytes after a descriptor's key and type begin, or null.
const std::uint8_t* FindAfter(const CSpanReader& data, const char* keyAndType, std::size_t following)
{
    const std::size_t length = std::strlen(keyAndType);
    const std::uint8_t* begin = data.Here();
    const std::uint8_t* end = begin + data.Left();
    const std::uint8_t* hit = std::search(begin, end, keyAndType, keyAndType + length);
    if (hit == end || static_cast<std::size_t>(end - hit) < length + following) return nullptr;
    return hit + length;
}

// A big-endian double that lies at a descriptor's key and type, after skip bytes (a unit).
bool FindDescriptorDouble(const CSpanReader& data, const char* keyAndType, std::size_t skip, double& value)
{
    const std::uint8_t* at = FindAfter(data, keyAndType, skip + 8);
    if (at == nullptr) return false;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) bits = (bits << 8) | at[skip + i];
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value);
}

// A shape's stroke: drawn when it is enabled and its content is a solid RGB colour; its width
// in pixels (points at the block's resolution), alignment and opacity.
CPsdVectorStroke ReadVectorStroke(const CSpanReader& data)
{
    CPsdVectorStroke stroke;
    const std::uint8_t* content = FindAfter(data, "strokeStyleContentObjc", 0);
    if (!FindDescriptorBool(data, "strokeEnabledbool", false) || content == nullptr) return stroke;
    const CSpanReader rest(content, static_cast<std::size_t>(data.Here() + data.Left() - content));
    if (FindAfter(rest, "solidColorLayer", 0) == nullptr || !FindDescriptorRgb(rest, stroke.rgb)) return stroke;
    double width = 1;
    if (FindDescriptorDouble(data, "strokeStyleLineWidthUntF", 4, width)) {
        const std::uint8_t* unit = FindAfter(data, "strokeStyleLineWidthUntF", 4);
        double resolution = 72;
        if (std::memcmp(unit, "#Pnt", 4) == 0 && FindDescriptorDouble(data, "strokeStyleResolutiondoub", 0, resolution) &&
            resolution > 0)
            width *= resolution / 72.0;
    }
    // Wider than this it would cover any canvas the studio opens.
    stroke.width = std::clamp(width, 0.0, 1000.0);
    if (FindAfter(data, "strokeStyleAlignInside", 0)) stroke.alignment = StrokeAlignment::Inside;
    if (FindAfter(data, "strokeStyleAlignOutside", 0)) stroke.alignment = StrokeAlignment::Outside;
    double opacity = 100;
    if (FindDescriptorDouble(data, "strokeStyleOpacityUntF", 4, opacity)) stroke.opacity = std::clamp(opacity / 100.0, 0.0, 1.0);
    stroke.drawn = true;
    return stroke;
}

bool IsAdjustmentKey(std::uint32_t key)
{
    for (std::uint32_t k : {Key("levl"), Key("curv"), Key("brit"), Key("blnc"), Key("hue "), Key("hue2"), Key("selc"),
                            Key("mixr"), Key("grdm"), Key("phfl"), Key("expA"), Key("vibA"), Key("thrs"), Key("nvrt"),
                            Key("post"), Key("blwh"), Key("clrL")})
        if (key == k) return true;
    return false;
}

std::string KeyText(std::uint32_t key)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((key >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void AddSkipped(CPsdLayerRecord& record, const std::string& what)
{
    if (std::find(record.skipped.begin(), record.skipped.end(), what) == record.skipped.end())
        record.skipped.push_back(what);
}

// Effects described by an effects descriptor; an unreadable one is left out and listed.
void ReadObjectEffects(CPsdLayerRecord& record, const CSpanReader& data)
{
    std::string reason;
    record.hasObjectEffects = true;
    if (!ReadLayerEffects(std::span(data.Here(), data.Left()), record.effects, record.skipped, reason))
        AddSkipped(record, "layer effects (" + reason + ")");
}

// What a fill layer without stored pixels leaves out; one with them shows the editor's own
// drawing of the fill, which leaves nothing out.
void AddUndrawnFill(CPsdLayerRecord& record, bool gradient, const std::string& what)
{
    if (record.bounds.IsEmpty()) AddSkipped(record, std::string(gradient ? "gradient fill: " : "pattern fill: ") + what);
}

// A gradient or pattern fill's settings, a descriptor after its version word.
void ReadFillBlock(CPsdLayerRecord& record, bool gradient, const CSpanReader& data)
{
    CDescriptorValue descriptor;
    std::string notDrawn;
    if (!ReadVersionedDescriptor({data.Here(), data.Left()}, descriptor, notDrawn)) {
        notDrawn = "unreadable settings (" + notDrawn + ")";
    } else if (gradient) {
        CGradientFill fill;
        if (ReadGradientFill(descriptor, fill, notDrawn)) record.gradientFill = std::move(fill);
    } else {
        CPatternFill fill;
        if (ReadPatternFill(descriptor, fill, notDrawn)) record.patternFill = std::move(fill);
    }
    if (!notDrawn.empty()) AddUndrawnFill(record, gradient, notDrawn);
}

// The patterns the pattern fills name.
std::vector<std::string> PatternsWanted(const CPsdLayers& layers)
{
    std::vector<std::string> wanted;
    for (const CPsdLayerRecord& record : layers.records)
        if (record.patternFill) wanted.push_back(record.patternFill->patternId);
    return wanted;
}

// Decodes the wanted patterns of the pattern blocks; a pattern fill whose pattern is not
// decoded is listed and left out.
void ReadWantedPatterns(CDocumentFile& file, const std::vector<std::pair<std::uint64_t, std::uint64_t>>& blocks,
                        CPsdLayers& layers)
{
    const std::vector<std::string> wanted = PatternsWanted(layers);
    if (wanted.empty()) return;
    std::vector<CSkippedPattern> skipped;
    std::string problem;
    for (const auto& [offset, length] : blocks) {
        if (length > CPsdLayerLimits::kMaxPatternBlockBytes) {
            problem = "a pattern block of more than " + std::to_string(CPsdLayerLimits::kMaxPatternBlockBytes) + " bytes";
            break;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
        if (!file.ReadAt(offset, bytes.data(), bytes.size()) ||
            !ReadPatternBlock(bytes, wanted, layers.patterns, skipped, problem))
            break;
    }
    for (CPsdLayerRecord& record : layers.records) {
        if (!record.patternFill) continue;
        const std::string& id = record.patternFill->patternId;
        if (std::any_of(layers.patterns.begin(), layers.patterns.end(), [&](const CPsdPattern& p) { return p.id == id; }))
            continue;
        auto why = std::find_if(skipped.begin(), skipped.end(), [&](const CSkippedPattern& s) { return s.id == id; });
        AddUndrawnFill(record, false, why != skipped.end() ? why->reason
                                      : !problem.empty()   ? problem
                                                           : "its pattern is not in the document");
        record.patternFill.reset();
    }
}

bool ReadLayerBlock(CPsdLayerRecord& record, std::uint32_t key, CSpanReader& data)
{
    if (key == Key("lsct") || key == Key("lsdk")) {
        std::uint32_t type = 0;
        if (!data.U32(type)) return false;
        record.section = type == 1 ? LayerSection::OpenGroup
                       : type == 2 ? LayerSection::ClosedGroup
                       : type == 3 ? LayerSection::GroupEnd
                                   : LayerSection::Layer;
        std::uint32_t signature = 0;
        if (data.Left() >= 8 && data.U32(signature)) data.U32(record.sectionBlendKey);
    } else if (key == Key("iOpa")) {
        data.U8(record.fillOpacity);
    } else if (key == Key("SoCo")) {
        record.hasFillContent = true;
        record.hasSolidColor = FindDescriptorRgb(data, record.solidColor);
        if (!record.hasSolidColor) AddSkipped(record, "solid-colour fill in a colour space other than RGB");
    } else if (IsAdjustmentKey(key)) {
        AddSkipped(record, "adjustment layer (" + KeyText(key) + ")");
    } else if (key == Key("lfx2") || key == Key("lmfx")) {
        ReadObjectEffects(record, data);
    } else if (key == Key("lrFX")) {
        record.hasOldEffects = true;
    } else if (key == Key("vmsk") || key == Key("vsms")) {
        const VectorMaskProblem problem = ReadPsdVectorMask(data.Here(), data.Left(), record.vectorMask);
        record.hasVectorMask = true;
        record.vectorMask.readable = problem == VectorMaskProblem::None;
        if (problem == VectorMaskProblem::TooManyKnots)
            AddSkipped(record, "vector mask of more than " + std::to_string(CPsdLayerLimits::kMaxPathKnots) + " knots");
        else if (problem != VectorMaskProblem::None)
            AddSkipped(record, "vector mask (damaged path records)");
    } else if (key == Key("vscg")) {
        // A shape's fill: its kind, then a descriptor as a fill layer's block holds it.
        std::uint32_t kind = 0;
        record.hasFillContent = true;
        if (data.U32(kind) && kind == Key("SoCo")) {
            record.hasSolidColor = FindDescriptorRgb(data, record.solidColor);
            if (!record.hasSolidColor) AddSkipped(record, "solid-colour fill in a colour space other than RGB");
        } else if (kind == Key("GdFl") || kind == Key("PtFl")) {
            ReadFillBlock(record, kind == Key("GdFl"), data);
        }
    } else if (key == Key("vstk")) {
        // Stored pixels hold the stroke as the editor drew it.
        if (record.bounds.IsEmpty()) {
            record.vectorStroke = ReadVectorStroke(data);
            if (FindDescriptorBool(data, "strokeEnabledbool", false) && !record.vectorStroke.drawn)
                AddSkipped(record, "vector stroke other than a solid colour");
        }
        record.fillHidden = !FindDescriptorBool(data, "fillEnabledbool", true);
    } else if (key == Key("GdFl") || key == Key("PtFl")) {
        record.hasFillContent = true;
        ReadFillBlock(record, key == Key("GdFl"), data);
    }
    return true;
}

bool ReadMask(CSpanReader& extra, CPsdLayerRecord& record, CPsdRefusal& refusal)
{
    std::uint32_t length = 0;
    if (!extra.U32(length) || length > extra.Left()) {
        refusal = CPsdRefusal::Of(PsdError::MaskPastRecord);
        return false;
    }
    CSpanReader mask(extra.Here(), length);
    extra.Skip(length);
    if (length < 18) return true;
    CPsdLayerMask& m = record.mask;
    std::uint8_t flags = 0;
    ReadRect(mask, m.bounds);
    mask.U8(m.defaultColor);
    mask.U8(flags);
    m.present = true;
    m.relativeToLayer = (flags & 0x01) != 0;
    m.disabled = (flags & 0x02) != 0;
    if (flags & 0x10) {  // mask parameters: densities are one byte, feathers a double
        std::uint8_t parameters = 0;
        mask.U8(parameters);
        std::uint8_t* densities[2] = {&m.density, &record.vectorMask.density};
        double* feathers[2] = {&m.feather, &record.vectorMask.feather};
        for (int bit = 0; bit < 4; ++bit) {
            if (!(parameters & (1 << bit))) continue;
            if (bit & 1) {
                std::uint64_t bits = 0;
                if (!mask.Unsigned(8, bits)) break;
                double value = 0;
                std::memcpy(&value, &bits, sizeof value);
                *feathers[bit / 2] = std::isfinite(value) && value > 0 ? value : 0.0;
            } else if (!mask.U8(*densities[bit / 2])) {
                break;
            }
        }
    }
    if (length == 20) return true;
    // When a vector mask is present too, the user mask's own bounds follow.
    if (record.FindChannel(kRealUserMaskChannel) != nullptr && mask.Left() >= 18) {
        std::uint8_t realFlags = 0;
        mask.U8(realFlags);
        mask.U8(m.defaultColor);
        ReadRect(mask, m.bounds);
        m.disabled = (realFlags & 0x02) != 0;
        m.relativeToLayer = (realFlags & 0x01) != 0;
        m.channelId = kRealUserMaskChannel;
    }
    return true;
}

bool MaskFeathered(const CPsdLayerRecord& record)
{
    return record.mask.present && !record.mask.disabled && record.mask.feather > 0 && record.mask.density > 0;
}

// A layer's or its mask's rectangle, within the sides a layer may have.
bool WithinLayerLimits(const CPsdRect& bounds)
{
    return bounds.Width() >= 0 && bounds.Height() >= 0 && bounds.Width() <= CPsdLayerLimits::kMaxLayerSide &&
           bounds.Height() <= CPsdLayerLimits::kMaxLayerSide;
}

bool ReadRecord(CFileCursor& cursor, std::uint64_t sectionEnd, bool psb, int index, CPsdLayerRecord& record,
                CPsdRefusal& refusal)
{
    const std::uint8_t* fixed = cursor.Take(18);
    if (fixed == nullptr || cursor.Position() > sectionEnd) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerRecords);
        return false;
    }
    CSpanReader head(fixed, 18);
    ReadRect(head, record.bounds);
    // The editor saves a fill layer without pixels as bottom one above top: no area, not damage.
    if (record.bounds.Height() < 0) record.bounds.bottom = record.bounds.top;
    if (record.bounds.Width() < 0) record.bounds.right = record.bounds.left;
    std::uint64_t channelCount = 0;
    head.Unsigned(2, channelCount);
    if (!WithinLayerLimits(record.bounds)) {
        refusal = CPsdRefusal::Of(PsdError::LayerBounds, index, record.bounds.Width(), record.bounds.Height());
        return false;
    }
    if (channelCount > static_cast<std::uint64_t>(CPsdLayerLimits::kMaxLayerChannels)) {
        refusal = CPsdRefusal::Of(PsdError::LayerChannelCount, index, channelCount);
        return false;
    }
    const std::size_t channelBytes = psb ? 10 : 6;
    const std::uint8_t* info = cursor.Take(channelCount * channelBytes + 12);
    if (info == nullptr || cursor.Position() > sectionEnd) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerRecords);
        return false;
    }
    CSpanReader body(info, channelCount * channelBytes + 12);
    record.channels.resize(channelCount);
    for (auto& channel : record.channels) {
        std::uint64_t id = 0;
        body.Unsigned(2, id);
        channel.id = static_cast<std::int16_t>(id);
        body.Unsigned(psb ? 8 : 4, channel.length);
    }
    std::uint32_t signature = 0;
    body.U32(signature);
    if (signature != Key("8BIM") && signature != Key("8B64")) {
        refusal = CPsdRefusal::Of(PsdError::NoBlendSignature, index);
        return false;
    }
    std::uint8_t clipping = 0;
    std::uint8_t flags = 0;
    body.U32(record.blendKey);
    body.U8(record.opacity);
    body.U8(clipping);
    body.U8(flags);
    record.clipped = clipping != 0;
    record.visible = (flags & 0x02) == 0;

    const std::uint8_t* lengthWord = cursor.Take(4);
    std::uint32_t extraLength = 0;
    if (lengthWord == nullptr || !CSpanReader(lengthWord, 4).U32(extraLength) ||
        extraLength > sectionEnd - std::min(sectionEnd, cursor.Position())) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerRecords);
        return false;
    }
    const std::uint8_t* extraBytes = cursor.Take(extraLength);
    if (extraBytes == nullptr) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerRecords);
        return false;
    }
    CSpanReader extra(extraBytes, extraLength);
    if (!ReadMask(extra, record, refusal)) return false;
    // Mask rows are decoded a band at a time at the mask's own width.
    if (record.mask.present && !WithinLayerLimits(record.mask.bounds)) {
        refusal = CPsdRefusal::Of(PsdError::MaskBounds, index, record.mask.bounds.Width(), record.mask.bounds.Height());
        return false;
    }
    std::uint32_t rangesLength = 0;
    if (!extra.U32(rangesLength) || !extra.Skip(rangesLength)) {
        refusal = CPsdRefusal::Of(PsdError::BlendingRanges, index);
        return false;
    }
    std::uint8_t nameLength = 0;
    if (extra.U8(nameLength) && nameLength <= extra.Left()) {
        record.name.assign(reinterpret_cast<const char*>(extra.Here()), nameLength);
        // The name is padded, with its length byte, to a multiple of 4.
        const std::size_t padded = ((nameLength + 4u) & ~3u) - 1;
        extra.Skip(std::min(padded, extra.Left()));
    }
    if (!ForEachBlock(
            extra, psb, [&record](std::uint32_t key, CSpanReader& data) { return ReadLayerBlock(record, key, data); },
            refusal))
        return false;
    // Without a user mask's channel, the mask record describes the vector mask.
    if (record.hasVectorMask && record.FindChannel(record.mask.channelId) == nullptr) record.mask.present = false;
    if (MaskFeathered(record)) AddSkipped(record, "user mask feather");
    // A shape whose fill is turned off shows only its stroke.
    if (record.fillHidden && !record.vectorStroke.drawn) {
        record.hasSolidColor = false;
        record.gradientFill.reset();
        record.patternFill.reset();
    }
    // Writers keep the older binary effects block beside the descriptor for old readers; alone,
    // it is not read.
    if (record.hasOldEffects && !record.hasObjectEffects) AddSkipped(record, "layer effects (in the older form)");
    if (record.section != LayerSection::Layer)
        record.effects.SetAside(record.skipped, "(on a group)");
    else if (record.bounds.IsEmpty() && (record.hasSolidColor || record.gradientFill || record.patternFill))
        record.effects.SetAside(record.skipped, "(on a fill layer without pixels)");
    return true;
}

// Reads a layer count and its records from offset to end, then places every channel's data
// after the records, checking that it all lies inside.
bool ReadLayerInfo(CDocumentFile& file, std::uint64_t offset, std::uint64_t end, bool psb, CPsdLayers& layers,
                   CPsdRefusal& refusal)
{
    if (end - offset < 2) return true;
    CFileCursor cursor(file, offset, end);
    const std::uint8_t* countWord = cursor.Take(2);
    if (countWord == nullptr) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerRecords);
        return false;
    }
    const auto signedCount = static_cast<std::int16_t>((countWord[0] << 8) | countWord[1]);
    layers.mergedAlphaFirst = signedCount < 0;
    const int count = std::abs(static_cast<int>(signedCount));
    // Each record takes at least 34 bytes, which bounds the count by the section before the
    // records are allocated.
    if (count > CPsdLayerLimits::kMaxLayers || static_cast<std::uint64_t>(count) * 34 > end - offset) {
        refusal = CPsdRefusal::Of(PsdError::LayerCountTooLarge, count);
        return false;
    }
    layers.records.assign(static_cast<std::size_t>(count), CPsdLayerRecord{});
    for (int i = 0; i < count; ++i)
        if (!ReadRecord(cursor, end, psb, i, layers.records[static_cast<std::size_t>(i)], refusal)) return false;
    // Layers whose effects reach the same band hold their effects' images at once, so one
    // budget covers them all; past it, a layer's effects are listed instead of drawn.
    std::int64_t effectFloats = 0;
    for (auto& record : layers.records) {
        const std::int64_t floats = record.effects.FloatsFor(record.bounds.Width(), record.bounds.Height());
        if (floats > CPsdLayerLimits::kMaxEffectFloats - effectFloats)
            record.effects.SetAside(record.skipped, "(past the memory the studio gives effects)");
        else
            effectFloats += floats;
    }
    std::uint64_t at = cursor.Position();
    for (auto& record : layers.records) {
        for (auto& channel : record.channels) {
            if (channel.length > end - at) {
                refusal = CPsdRefusal::Of(PsdError::LayerDataPastInfo);
                return false;
            }
            channel.offset = at;
            at += channel.length;
        }
    }
    return true;
}

}  // namespace

const CPsdLayerChannel* CPsdLayerRecord::FindChannel(int id) const
{
    for (const auto& channel : channels)
        if (channel.id == id) return &channel;
    return nullptr;
}

namespace {

bool ReadRecordsAndPatterns(CDocumentFile& file, const CPsdLayout& layout, CPsdLayers& layers, CPsdRefusal& refusal)
{
    layers.depth = layout.depth;
    if (!layout.sectionsRead || layout.layersLength == 0) return true;
    const bool psb = layout.version == 2;
    const std::uint64_t sectionEnd = layout.layersOffset + layout.layersLength;
    if (sectionEnd > file.Size()) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerSection);
        return false;
    }
    const int lengthBytes = psb ? 8 : 4;
    std::uint8_t word[8] = {};
    if (layout.layersLength < static_cast<std::uint64_t>(lengthBytes) ||
        !file.ReadAt(layout.layersOffset, word, static_cast<std::size_t>(lengthBytes))) {
        refusal = CPsdRefusal::Of(PsdError::TruncatedLayerInfo);
        return false;
    }
    std::uint64_t infoLength = 0;
    CSpanReader(word, static_cast<std::size_t>(lengthBytes)).Unsigned(lengthBytes, infoLength);
    const std::uint64_t infoStart = layout.layersOffset + static_cast<std::uint64_t>(lengthBytes);
    if (infoLength > sectionEnd - infoStart) {
        refusal = CPsdRefusal::Of(PsdError::LayerInfoPastSection);
        return false;
    }
    if (!ReadLayerInfo(file, infoStart, infoStart + infoLength, psb, layers, refusal)) return false;
    if (!layers.records.empty() && PatternsWanted(layers).empty()) return true;

    // The global blocks after the global mask information: 16- and 32-bit documents keep their
    // layers there, and every document its patterns.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> patternBlocks;  // offset and length
    std::uint64_t at = infoStart + infoLength;
    std::uint8_t maskWord[4] = {};
    std::uint64_t maskLength = 0;
    if (sectionEnd - at < 4 || !file.ReadAt(at, maskWord, 4) || !CSpanReader(maskWord, 4).Unsigned(4, maskLength) ||
        maskLength > sectionEnd - at - 4)
        at = sectionEnd;  // no global blocks
    else
        at += 4 + maskLength;
    // Only the block headers are read here; a block's layer data is read from the file.
    while (sectionEnd - at >= 12) {
        std::uint8_t header[16] = {};
        const std::size_t headerBytes = static_cast<std::size_t>(std::min<std::uint64_t>(16, sectionEnd - at));
        if (!file.ReadAt(at, header, headerBytes)) break;
        if (!IsBlockSignature(header)) {
            ++at;  // padding between blocks
            continue;
        }
        std::uint32_t key = 0;
        CSpanReader(header + 4, 4).U32(key);
        const int keyLengthBytes = HasLongLength(key, psb) ? 8 : 4;
        if (headerBytes < static_cast<std::size_t>(8 + keyLengthBytes)) break;
        std::uint64_t length = 0;
        CSpanReader(header + 8, static_cast<std::size_t>(keyLengthBytes)).Unsigned(keyLengthBytes, length);
        const std::uint64_t dataStart = at + 8 + static_cast<std::uint64_t>(keyLengthBytes);
        if (length > sectionEnd - dataStart) {
            if (!layers.records.empty()) break;  // past the layers: only patterns are lost
            refusal = CPsdRefusal::Of(PsdError::BlocksPastSection);
            return false;
        }
        if ((key == Key("Lr16") || key == Key("Lr32") || key == Key("Layr")) && layers.records.empty()) {
            layers.depth = key == Key("Lr16") ? 16 : key == Key("Lr32") ? 32 : layout.depth;
            if (!ReadLayerInfo(file, dataStart, dataStart + length, psb, layers, refusal)) return false;
            if (PatternsWanted(layers).empty()) return true;
        } else if (key == Key("Patt") || key == Key("Pat2") || key == Key("Pat3")) {
            patternBlocks.emplace_back(dataStart, length);
        }
        at = dataStart + length;
    }
    ReadWantedPatterns(file, patternBlocks, layers);
    return true;
}

}  // namespace

bool ReadPsdLayerRecords(CDocumentFile& file, const CPsdLayout& layout, CPsdLayers& layers, CPsdRefusal& refusal)
{
    layers = CPsdLayers{};
    if (!ReadRecordsAndPatterns(file, layout, layers, refusal)) return false;
    // Gradients and patterns are RGB: documents in other modes show only fills' stored pixels.
    if (layout.colorMode != kRgbMode && layout.colorMode != kGreyMode && layout.colorMode != kDuotoneMode) {
        for (CPsdLayerRecord& record : layers.records) {
            if (record.gradientFill || record.patternFill)
                AddUndrawnFill(record, record.gradientFill.has_value(),
                               "in a document of colour mode " + std::to_string(layout.colorMode));
            record.gradientFill.reset();
            record.patternFill.reset();
        }
    }
    return true;
}

}  // namespace vantrel::studio::psd
