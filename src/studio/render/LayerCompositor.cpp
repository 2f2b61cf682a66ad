#include "studio/render/LayerCompositor.h"
#include "studio/render/Avx2Clones.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "studio/psd/GrowingScratch.h"
#include "studio/render/CompositeKernels.h"
#include "studio/render/VectorMaskCoverage.h"
#include "studio/render/FillLayerRows.h"
#include "studio/render/SampleDepth.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::psd::AtLeast;
using vantrel::studio::psd::CChannelScratch;
using vantrel::studio::psd::CLayerChannelRows;
using vantrel::studio::psd::CPsdLayerChannel;
using vantrel::studio::psd::CPsdLayerLimits;
using vantrel::studio::psd::CPsdLayerMask;
using vantrel::studio::psd::CPsdLayerRecord;
using vantrel::studio::psd::CPsdLayers;
using vantrel::studio::psd::CPsdLayout;
using vantrel::studio::psd::CPsdRect;
using vantrel::studio::psd::CPsdRefusal;
using vantrel::studio::psd::LayerSection;
using vantrel::studio::psd::PsdError;
using vantrel::studio::psd::kTransparencyChannel;

namespace vantrel::studio::render {

namespace {

// Floats in one band of the canvas, all planes together; a band has at least one row. 256 KB:
// a capture is a short process, and each page of a larger band costs it a fault, which here is
// dearer than the reads that more, shorter bands need.
constexpr std::size_t kBandFloats = std::size_t{1} << 16;
constexpr int kMaxBandRows = 64;
// Decoded samples of one layer channel at a time, so one huge layer decodes a few rows at once.
constexpr std::size_t kDecodeSamples = std::size_t{1} << 20;
constexpr float kByte = 1.0f / 255.0f;
// Feathered vector masks that keep their blurred rows between bands; others blur per band.
constexpr int kKeptFeatheredMasks = 4;

// Dissolve keeps a pixel whole or drops it, by a fixed pseudo-random threshold per pixel.
inline float DissolveThreshold(int x, int y, int layer)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u ^
                      static_cast<std::uint32_t>(layer) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<float>(h >> 8) * (1.0f / 16777216.0f);
}

}  // namespace

struct CLayerCompositor::CNode {
    int index = -1;                          // record index; -1 for a group left open by the file
    const CPsdLayerRecord* record = nullptr;
    bool group = false;
    std::vector<CNode> children;
};

struct CLayerCompositor::CBand {
    int planes = 0;
    std::size_t stride = 0;  // floats in one plane
    int width = 0;
    std::vector<float> data;
    // Rows that read as empty but were never zeroed: the first layer to cover a whole row
    // writes it outright, which spares clearing the band and reading it back.
    std::vector<std::uint8_t> blank;

    float* Row(int plane, int row) { return data.data() + static_cast<std::size_t>(plane) * stride + static_cast<std::size_t>(row) * width; }
    void Clear(int rows) { std::fill_n(blank.begin(), rows, std::uint8_t{1}); }
    // Makes a row's memory hold what it reads as.
    void Realize(int row)
    {
        if (!blank[static_cast<std::size_t>(row)]) return;
        for (int p = 0; p < planes; ++p) std::fill_n(Row(p, row), width, 0.0f);
        blank[static_cast<std::size_t>(row)] = 0;
    }
};

struct CLayerCompositor::CLayerState {
    std::vector<CLayerChannelRows> colour;
    std::vector<bool> hasColour;
    CLayerChannelRows alpha;
    bool hasAlpha = false;
    CLayerChannelRows mask;
    bool hasMask = false;
    std::int64_t nextRow = 0;
    std::int64_t nextMaskRow = 0;
};

CLayerCompositor::CLayerCompositor(CDocumentFile& file, const CPsdLayout& layout, const CPsdLayers& layers,
                                   int planeCount)
    : file_(file), layout_(layout), layers_(layers), planeCount_(planeCount), width_(layout.width),
      linearLight_(layers.depth == 32)
{
    const std::size_t rowFloats = static_cast<std::size_t>(width_) * static_cast<std::size_t>(planeCount_ + 1);
    bandRows_ = static_cast<int>(std::clamp<std::size_t>(kBandFloats / std::max<std::size_t>(rowFloats, 1), 1, kMaxBandRows));
}

CLayerCompositor::~CLayerCompositor() = default;

bool CLayerCompositor::Prepare(CPsdRefusal& refusal)
{
    root_ = std::make_unique<std::vector<CNode>>();
    std::vector<std::vector<CNode>*> open = {root_.get()};
    for (std::size_t i = 0; i < layers_.records.size(); ++i) {
        const CPsdLayerRecord& record = layers_.records[i];
        std::vector<CNode>& list = *open.back();
        switch (record.section) {
        case LayerSection::GroupEnd:
            if (static_cast<int>(open.size()) > CPsdLayerLimits::kMaxGroupDepth) {
                refusal = CPsdRefusal::Of(PsdError::GroupsTooDeep, CPsdLayerLimits::kMaxGroupDepth);
                return false;
            }
            list.push_back(CNode{-1, nullptr, true, {}});
            open.push_back(&list.back().children);
            break;
        case LayerSection::OpenGroup:
        case LayerSection::ClosedGroup:
            if (open.size() > 1) {
                open.pop_back();
                CNode& group = open.back()->back();
                group.index = static_cast<int>(i);
                group.record = &record;
            } else {
                list.push_back(CNode{static_cast<int>(i), &record, true, {}});  // a group without an end
            }
            break;
        case LayerSection::Layer: list.push_back(CNode{static_cast<int>(i), &record, false, {}}); break;
        }
    }
    states_.clear();
    states_.resize(layers_.records.size());
    featheredMasks_.clear();
    featheredMasks_.resize(layers_.records.size());
    keptFeathers_ = 0;
    effects_.clear();
    effects_.resize(layers_.records.size());
    fills_.clear();
    fills_.resize(layers_.records.size());
    for (std::size_t i = 0; i < layers_.records.size(); ++i)
        fills_[i] = CFillLayerRows::For(layers_.records[i], layers_, width_, layout_.height);
    return true;
}

CLayerCompositor::CBand& CLayerCompositor::BandAt(int depth, int kind)
{
    const std::size_t at = static_cast<std::size_t>(depth) * 3 + static_cast<std::size_t>(kind);
    if (bands_.size() <= at) bands_.resize(at + 1);
    if (!bands_[at]) {
        auto band = std::make_unique<CBand>();
        band->planes = kind == 2 ? 1 : planeCount_ + 1;  // 0 a group, 1 a clipping group, 2 its base's coverage
        band->width = width_;
        band->stride = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bandRows_);
        band->data.assign(band->stride * static_cast<std::size_t>(band->planes), 0.0f);
        band->blank.assign(static_cast<std::size_t>(bandRows_), 0);
        bands_[at] = std::move(band);
    }
    return *bands_[at];
}

CLayerCompositor::CLayerState& CLayerCompositor::StateOf(const CNode& node)
{
    auto& state = states_[static_cast<std::size_t>(node.index)];
    if (!state) state = std::make_unique<CLayerState>();
    return *state;
}

namespace {

bool OpenChannel(CDocumentFile& file, const CPsdLayerRecord& record, int id, const CPsdRect& rect, int depth,
                 bool psb, CChannelScratch& scratch, CLayerChannelRows& rows, bool& present, CPsdRefusal& refusal)
{
    const CPsdLayerChannel* channel = record.FindChannel(id);
    present = channel != nullptr && !rect.IsEmpty();
    return !present || rows.Open(file, *channel, rect.Width(), rect.Height(), depth, psb, scratch, refusal);
}

// Brings a channel to row first (rows before it are passed over) and decodes count rows.
bool ReadRowsAt(CLayerChannelRows& rows, std::int64_t& next, std::int64_t first, int count, std::uint8_t* out,
                CPsdRefusal& refusal)
{
    if (first > next && !rows.Skip(static_cast<int>(first - next), refusal)) return false;
    next = first + count;
    return rows.Read(count, out, refusal);
}

bool MaskActive(const CPsdLayerRecord& record) { return record.mask.present && !record.mask.disabled; }

// A fill or shape layer's stored pixels are its content already cut by the path, stroke
// included, as the editor drew it; the path cuts only what the studio draws from the fill.
bool VectorMaskActive(const CPsdLayerRecord& record)
{
    return record.hasVectorMask && record.vectorMask.readable && !record.vectorMask.disabled &&
           record.vectorMask.density > 0 && !(record.hasFillContent && !record.bounds.IsEmpty());
}

// A shape drawn from its fill whose stroke is drawn over it.
bool Stroked(const CPsdLayerRecord& record)
{
    return record.vectorStroke.drawn && (record.hasSolidColor || record.gradientFill || record.patternFill) &&
           record.bounds.IsEmpty() && VectorMaskActive(record);
}

}  // namespace

bool CLayerCompositor::DecodeLayerRows(const CNode& node, int firstRow, int rowCount, CPsdRefusal& refusal)
{
    const CPsdLayerRecord& record = *node.record;
    CLayerState& state = StateOf(node);
    const bool psb = layout_.version == 2;
    if (state.colour.empty()) {
        state.colour.resize(static_cast<std::size_t>(planeCount_));
        state.hasColour.assign(static_cast<std::size_t>(planeCount_), false);
        for (int p = 0; p < planeCount_; ++p) {
            bool present = false;
            CLayerChannelRows& rows = state.colour[static_cast<std::size_t>(p)];
            if (layers_.depth == 32) rows.NarrowWith(EncodeLinearTo8);
            if (!OpenChannel(file_, record, p, record.bounds, layers_.depth, psb, scratch_, rows, present, refusal))
                return false;
            state.hasColour[static_cast<std::size_t>(p)] = present;
        }
        if (!OpenChannel(file_, record, kTransparencyChannel, record.bounds, layers_.depth, psb, scratch_, state.alpha,
                         state.hasAlpha, refusal))
            return false;
    }
    const std::size_t samples = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(record.bounds.Width());
    decoded_.resize(static_cast<std::size_t>(planeCount_) + 1);
    const std::int64_t layerRow = std::int64_t{firstRow} - record.bounds.top;
    for (int p = 0; p <= planeCount_; ++p) {
        std::uint8_t* out = AtLeast(decoded_[static_cast<std::size_t>(p)], samples);
        const bool alpha = p == planeCount_;
        const bool present = alpha ? state.hasAlpha : state.hasColour[static_cast<std::size_t>(p)];
        if (!present) {
            std::fill_n(out, samples, alpha ? 255 : 0);
            continue;
        }
        // Every channel of a layer advances in step, so one row counter serves them all.
        std::int64_t next = state.nextRow;
        CLayerChannelRows& rows = alpha ? state.alpha : state.colour[static_cast<std::size_t>(p)];
        if (!ReadRowsAt(rows, next, layerRow, rowCount, out, refusal)) return false;
    }
    state.nextRow = layerRow + rowCount;
    return true;
}

bool CLayerCompositor::DecodeMaskRows(const CNode& node, int firstRow, int rowCount, CPsdRefusal& refusal)
{
    const CPsdLayerRecord& record = *node.record;
    const CPsdLayerMask& mask = record.mask;
    CLayerState& state = StateOf(node);
    const std::size_t rowBytes = static_cast<std::size_t>(width_);
    maskRows_.assign(static_cast<std::size_t>(rowCount) * rowBytes, MaskActive(record) ? mask.defaultColor : 255);
    if (!MaskActive(record)) return true;  // a vector mask alone
    if (state.nextMaskRow == 0 && !state.hasMask) {
        bool present = false;
        if (!OpenChannel(file_, record, mask.channelId, mask.bounds, layers_.depth, layout_.version == 2, scratch_,
                         state.mask, present, refusal))
            return false;
        state.hasMask = present;
        if (!present) state.nextMaskRow = -1;  // opened, and nothing to read
    }
    if (!state.hasMask) return true;
    const std::int64_t top = std::max<std::int64_t>(firstRow, mask.bounds.top);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{firstRow} + rowCount, mask.bounds.bottom);
    if (top >= bottom) return true;
    const auto maskWidth = static_cast<std::size_t>(mask.bounds.Width());
    std::uint8_t* raw = AtLeast(maskRaw_, static_cast<std::size_t>(bottom - top) * maskWidth);
    if (!ReadRowsAt(state.mask, state.nextMaskRow, top - mask.bounds.top, static_cast<int>(bottom - top), raw, refusal))
        return false;
    const std::int64_t left = std::max<std::int64_t>(0, mask.bounds.left);
    const std::int64_t right = std::min<std::int64_t>(width_, mask.bounds.right);
    for (std::int64_t y = top; y < bottom; ++y) {
        std::uint8_t* out = maskRows_.data() + static_cast<std::size_t>(y - firstRow) * rowBytes;
        const std::uint8_t* in = raw + static_cast<std::size_t>(y - top) * maskWidth;
        for (std::int64_t x = left; x < right; ++x) out[x] = in[x - mask.bounds.left];
    }
    return true;
}

void CLayerCompositor::ShapeMaskRows(const CNode& node, int firstRow, int rowCount)
{
    const CPsdLayerRecord& record = *node.record;
    const std::size_t count = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(width_);
    if (MaskActive(record) && record.mask.density < 255) ApplyMaskDensity(maskRows_.data(), count, record.mask.density);
    if (!VectorMaskActive(record)) return;
    if (Stroked(record)) {
        CVectorMaskCoverage(record.vectorMask, width_, layout_.height)
            .ScaleMaskRowsWithStroke(record.vectorStroke, !record.fillHidden, firstRow, rowCount, maskRows_.data(),
                                     AtLeast(strokeShare_, count));
        return;
    }
    auto& kept = featheredMasks_[static_cast<std::size_t>(node.index)];
    // A feathered mask keeps its blurred blocks (up to 16 MB each, for a few layers at most).
    if (!kept && record.vectorMask.feather > 0 && keptFeathers_ < kKeptFeatheredMasks) {
        kept = std::make_unique<CVectorMaskCoverage>(record.vectorMask, width_, layout_.height);
        kept->KeepBlocks();
        ++keptFeathers_;
    }
    if (kept)
        kept->ScaleMaskRows(firstRow, rowCount, maskRows_.data());
    else
        CVectorMaskCoverage(record.vectorMask, width_, layout_.height).ScaleMaskRows(firstRow, rowCount, maskRows_.data());
}

bool CLayerCompositor::CompositeList(const std::vector<CNode>& nodes, CBand& target, int depth, CPsdRefusal& refusal)
{
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const CNode& node = nodes[i];
        std::size_t clippedEnd = i + 1;
        while (clippedEnd < nodes.size() && nodes[clippedEnd].record && nodes[clippedEnd].record->clipped) ++clippedEnd;
        const bool shown = !node.record || (node.record->visible && node.record->opacity > 0);
        if (shown && clippedEnd == i + 1 && !CompositeNode(node, target, depth, nullptr, refusal)) return false;
        if (shown && clippedEnd > i + 1) {
            // A clipping group: the clipped layers draw onto the base as it is, and the result
            // shows through the base's coverage with the base's blend mode and opacity.
            // A base's effects lie below and above the whole group, as the editor draws them,
            // each faded by the base's opacity.
            const bool baseEffects = node.record && !node.group && !node.record->effects.drawn.empty();
            const float baseOpacity = baseEffects ? node.record->opacity * kByte : 1.0f;
            if (baseEffects && !DrawEffects(node, target, true, baseOpacity, refusal)) return false;
            CBand& clip = BandAt(depth, 1);
            clip.Clear(bandHeight_);
            if (!CompositeNode(node, clip, depth, nullptr, refusal, true)) return false;
            CBand& coverage = BandAt(depth, 2);
            for (int row = 0; row < bandHeight_; ++row) clip.Realize(row);
            std::copy_n(clip.Row(planeCount_, 0), coverage.stride, coverage.Row(0, 0));
            for (std::size_t j = i + 1; j < clippedEnd; ++j)
                if (nodes[j].record->visible && !CompositeNode(nodes[j], clip, depth, nullptr, refusal)) return false;
            CBand* sources[2] = {&clip, &coverage};
            if (!CompositeNode(node, target, depth, sources, refusal)) return false;
            if (baseEffects && !DrawEffects(node, target, false, baseOpacity, refusal)) return false;
        }
        i = clippedEnd - 1;
    }
    return true;
}

// Built for AVX2 too, chosen when the processor has it: twice the floats per instruction.
VANTREL_AVX2_CLONES void CLayerCompositor::BlendRow(BlendMode mode, CBand& target, int bandRow, int left, std::size_t span,
                                float* const* srcColour, const float* srcAlpha, float fillInside)
{
    const int n = planeCount_;
    float* backAlpha = target.Row(n, bandRow) + left;
    float* back[4];
    for (int p = 0; p < n; ++p) back[p] = target.Row(p, bandRow) + left;
    if (kernels::AllZeros(srcAlpha, span)) return;
    if (target.blank[static_cast<std::size_t>(bandRow)]) {
        if (span == static_cast<std::size_t>(target.width)) {
            // Over nothing every mode shows the source as it is.
            for (int p = 0; p < n; ++p) kernels::Premultiply(back[p], srcColour[p], srcAlpha, span);
            std::copy_n(srcAlpha, span, backAlpha);
            target.blank[static_cast<std::size_t>(bandRow)] = 0;
            return;
        }
        target.Realize(bandRow);
    }
    const bool plain = mode == BlendMode::Normal || mode == BlendMode::Dissolve || mode == BlendMode::PassThrough;
    // Over a backdrop that covers everything, colour is its own straight value and coverage
    // stays whole, which spares the divisions and the mixing below.
    const bool opaque = kernels::AllOnes(backAlpha, span);
    if (plain) {
        for (int p = 0; p < n; ++p) kernels::SourceOver(back[p], srcColour[p], srcAlpha, span);
    } else {
        float* backColour[4];
        float* blended[4];
        float* faded[4];
        const bool fadeInside = fillInside < 1.0f;
        float* scratch = AtLeast(blendScratch_, span * static_cast<std::size_t>((fadeInside ? 3 : 2) * n));
        for (int p = 0; p < n; ++p) {
            backColour[p] = opaque ? back[p] : scratch + span * static_cast<std::size_t>(p);
            blended[p] = scratch + span * static_cast<std::size_t>(n + p);
            faded[p] = fadeInside ? scratch + span * static_cast<std::size_t>(2 * n + p) : srcColour[p];
            if (!opaque) kernels::Unpremultiply(backColour[p], back[p], backAlpha, span);
        }
        if (fadeInside) {
            const float neutral = FillNeutral(mode);
            for (int p = 0; p < n; ++p)
                for (std::size_t x = 0; x < span; ++x) faded[p][x] = neutral + (srcColour[p][x] - neutral) * fillInside;
        }
        BlendColours(mode, n, backColour, faded, blended, span);
        if (fadeInside) {
            // srcAlpha carries the fill, which the faded blend already holds: over the backdrop
            // the blend moves it by opacity alone, Cb + opacity * (B - Cb).
            const float undo = 1.0f / fillInside;
            for (int p = 0; p < n; ++p)
                for (std::size_t x = 0; x < span; ++x)
                    blended[p][x] = backColour[p][x] + (blended[p][x] - backColour[p][x]) * undo;
        }
        for (int p = 0; p < n; ++p) {
            if (opaque)
                kernels::SourceOver(back[p], blended[p], srcAlpha, span);
            else
                kernels::SourceOverBlended(back[p], backAlpha, srcColour[p], blended[p], srcAlpha, span);
        }
    }
    if (!opaque) kernels::AlphaUnion(backAlpha, srcAlpha, span);
}

bool CLayerCompositor::DrawEffects(const CNode& node, CBand& target, bool below, float opacity, CPsdRefusal& refusal)
{
    const CPsdLayerRecord& record = *node.record;
    const int reach = record.effects.Reach();
    const int top = static_cast<int>(std::max<std::int64_t>(bandTop_, std::int64_t{record.bounds.top} - reach));
    const int bottom = static_cast<int>(std::min<std::int64_t>(bandTop_ + bandHeight_, std::int64_t{record.bounds.bottom} + reach));
    const int left = static_cast<int>(std::max<std::int64_t>(0, std::int64_t{record.bounds.left} - reach));
    const int right = static_cast<int>(std::min<std::int64_t>(width_, std::int64_t{record.bounds.right} + reach));
    if (top >= bottom || left >= right) return true;
    auto& image = effects_[static_cast<std::size_t>(node.index)];
    if (!image) {
        if (!ReadLayerCoverage(file_, record, layers_.depth, layout_.version == 2, scratch_, coverage_, refusal))
            return false;
        image = std::make_unique<CLayerEffectsImage>();
        image->Build(record, coverage_, layout_.globalLightAngle, planeCount_,
                     CFillBox{0, 0, static_cast<double>(width_), static_cast<double>(layout_.height)});
    }
    for (int y = top; y < bottom; ++y)
        image->ForEachRow(below, y, left, right, opacity,
                          [&](const CLayerEffectsImage::CRow& row, std::int64_t from, std::size_t span) {
                              BlendRow(row.mode, target, y - bandTop_, static_cast<int>(from), span, row.colour, row.alpha);
                          });
    return true;
}

bool CLayerCompositor::CompositeWithEffects(const CNode& node, CBand& target, int depth, CPsdRefusal& refusal)
{
    const CPsdLayerRecord& record = *node.record;
    // The layer's opacity fades everything it draws: onto a copy of the band, then between the two.
    const float opacity = record.opacity * kByte;
    CBand& work = opacity < 1.0f ? BandAt(depth + 1, 0) : target;
    if (&work != &target) {
        std::copy(target.data.begin(), target.data.end(), work.data.begin());
        work.blank = target.blank;
    }
    if (!DrawEffects(node, work, true, 1.0f, refusal) || !CompositeNode(node, work, depth, nullptr, refusal, false, true) ||
        !DrawEffects(node, work, false, 1.0f, refusal))
        return false;
    if (&work != &target) {
        const int reach = record.effects.Reach();
        const int top = static_cast<int>(std::max<std::int64_t>(bandTop_, std::int64_t{record.bounds.top} - reach));
        const int bottom = static_cast<int>(std::min<std::int64_t>(bandTop_ + bandHeight_, std::int64_t{record.bounds.bottom} + reach));
        for (int y = top; y < bottom; ++y) {
            target.Realize(y - bandTop_);
            work.Realize(y - bandTop_);
            for (int p = 0; p <= planeCount_; ++p)
                kernels::FadeTowards(target.Row(p, y - bandTop_), work.Row(p, y - bandTop_), opacity, nullptr,
                                     static_cast<std::size_t>(width_));
        }
    }
    return true;
}

VANTREL_AVX2_CLONES bool CLayerCompositor::CompositeNode(const CNode& node, CBand& target, int depth, CBand* const* clipGroup,
                                     CPsdRefusal& refusal, bool asClipBase, bool withoutEffects)
{
    if (node.group && node.record == nullptr) return CompositeList(node.children, target, depth + 1, refusal);
    const CPsdLayerRecord& record = *node.record;
    if (!withoutEffects && !asClipBase && !node.group && clipGroup == nullptr && !record.effects.drawn.empty())
        return CompositeWithEffects(node, target, depth, refusal);
    bool known = false;
    BlendMode mode = BlendModeFromKey(node.group && record.sectionBlendKey ? record.sectionBlendKey
                                                                             : record.blendKey, known);
    // With effects, the layer's opacity fades them all together afterwards.
    float scale = (withoutEffects ? 1.0f : record.opacity * kByte) * record.fillOpacity * kByte;
    float fillInside = 1.0f;
    if (asClipBase) {
        // The base alone, as it is; its mode and opacity apply once its clipped layers are on it.
        mode = BlendMode::Normal;
        scale = 1.0f;
    } else if (FillNeutral(mode) >= 0.0f && record.fillOpacity > 0 && record.fillOpacity < 255) {
        fillInside = record.fillOpacity * kByte;
    }
    const int bandBottom = bandTop_ + bandHeight_;
    const int n = planeCount_;

    // Where the node draws in this band: rows [top, bottom), columns [left, right).
    int top = bandTop_, bottom = bandBottom, left = 0, right = width_;
    // A fill layer without stored pixels is its colour, gradient or pattern wherever its masks,
    // the vector mask among them, let it show; one shaped by a path that could not be read is
    // left out rather than flooding the canvas.
    const bool fillable = !node.group && record.bounds.IsEmpty() && n != 4 &&
                          (!record.hasVectorMask || record.vectorMask.readable);
    const bool solidFill = fillable && record.hasSolidColor;
    CFillLayerRows* const generatedFill = fillable ? fills_[static_cast<std::size_t>(node.index)].get() : nullptr;
    const bool wholeCanvas = solidFill || generatedFill != nullptr;
    const bool fromBand = clipGroup != nullptr || node.group;
    CBand* sourceBand = clipGroup ? clipGroup[0] : nullptr;
    const CBand* coverage = clipGroup ? clipGroup[1] : nullptr;
    // A clipping group's base was masked already.
    const bool masked = (MaskActive(record) || VectorMaskActive(record)) && clipGroup == nullptr;
    if (node.group && clipGroup == nullptr) {
        sourceBand = &BandAt(depth + 1, 0);
        if (mode == BlendMode::PassThrough && scale >= 1.0f && !masked)
            return CompositeList(node.children, target, depth + 1, refusal);
        if (mode == BlendMode::PassThrough) {
            std::copy(target.data.begin(), target.data.end(), sourceBand->data.begin());
            sourceBand->blank = target.blank;
        } else {
            sourceBand->Clear(bandHeight_);
        }
        if (!CompositeList(node.children, *sourceBand, depth + 1, refusal)) return false;
    } else if (!fromBand && !wholeCanvas) {
        top = static_cast<int>(std::max<std::int64_t>(bandTop_, record.bounds.top));
        bottom = static_cast<int>(std::min<std::int64_t>(bandBottom, record.bounds.bottom));
        left = static_cast<int>(std::max<std::int64_t>(0, record.bounds.left));
        right = static_cast<int>(std::min<std::int64_t>(width_, record.bounds.right));
        if (top >= bottom || left >= right) return true;
    }
    const bool passThrough = node.group && clipGroup == nullptr && mode == BlendMode::PassThrough;
    const auto span = static_cast<std::size_t>(right - left);
    float* srcAlpha = AtLeast(rowScratch_, span * static_cast<std::size_t>(n + 1));
    float* srcColour[4];
    for (int p = 0; p < n; ++p) srcColour[p] = srcAlpha + span * static_cast<std::size_t>(1 + p);

    const std::int64_t layerWidth = fromBand || wholeCanvas ? 0 : record.bounds.Width();
    const int chunkRows = layerWidth > 0
        ? static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(kDecodeSamples) / layerWidth, 1, bandRows_))
        : bandHeight_;
    for (int chunk = top; chunk < bottom; chunk += chunkRows) {
        const int rows = std::min(chunkRows, bottom - chunk);
        if (layerWidth > 0 && !DecodeLayerRows(node, chunk, rows, refusal)) return false;
        if (masked && !DecodeMaskRows(node, chunk, rows, refusal)) return false;
        if (masked) ShapeMaskRows(node, chunk, rows);
        for (int y = chunk; y < chunk + rows; ++y) {
            const int bandRow = y - bandTop_;
            // The source's own colour and coverage, before opacity.
            if (fromBand) {
                sourceBand->Realize(bandRow);
                const float* a = sourceBand->Row(n, bandRow) + left;
                const float* cover = coverage ? const_cast<CBand*>(coverage)->Row(0, bandRow) + left : a;
                std::copy_n(cover, span, srcAlpha);
                for (int p = 0; p < n; ++p) kernels::Unpremultiply(srcColour[p], sourceBand->Row(p, bandRow) + left, a, span);
            } else if (generatedFill) {
                generatedFill->Row(y, left, span, n, srcColour, srcAlpha);
                if (masked && Stroked(record))
                    MixStrokeColour(record.vectorStroke, strokeShare_.data() + static_cast<std::size_t>(y - chunk) * width_ + left,
                                    srcColour, n, span);
            } else if (solidFill) {
                std::fill_n(srcAlpha, span, 1.0f);
                for (int p = 0; p < n; ++p) {
                    const float value = n == 3 ? record.solidColor[p] * kByte
                                               : (record.solidColor[0] * 0.3f + record.solidColor[1] * 0.59f +
                                                  record.solidColor[2] * 0.11f) * kByte;
                    std::fill_n(srcColour[p], span, value);
                }
                if (masked && Stroked(record))
                    MixStrokeColour(record.vectorStroke, strokeShare_.data() + static_cast<std::size_t>(y - chunk) * width_ + left,
                                    srcColour, n, span);
            } else {
                const std::size_t at = static_cast<std::size_t>(y - chunk) * static_cast<std::size_t>(layerWidth) +
                                       static_cast<std::size_t>(left - record.bounds.left);
                const std::uint8_t* a = decoded_[static_cast<std::size_t>(n)].data() + at;
                kernels::ToUnit(srcAlpha, a, kByte, span);
                for (int p = 0; p < n; ++p) {
                    const std::uint8_t* levels = decoded_[static_cast<std::size_t>(p)].data() + at;
                    if (linearLight_) {
                        const std::array<float, 256>& linear = LinearOfLevels();
                        for (std::size_t x = 0; x < span; ++x) srcColour[p][x] = linear[levels[x]];
                    } else {
                        kernels::ToUnit(srcColour[p], levels, kByte, span);
                    }
                }
            }
            const std::uint8_t* maskRow = masked ? maskRows_.data() + static_cast<std::size_t>(y - chunk) * width_ + left : nullptr;
            if (passThrough) {
                // The group drew onto a copy of what lies below; opacity and mask fade between the two.
                target.Realize(bandRow);
                for (int p = 0; p <= n; ++p)
                    kernels::FadeTowards(target.Row(p, bandRow) + left, sourceBand->Row(p, bandRow) + left, scale,
                                         maskRow, span);
                continue;
            }
            if (maskRow)
                kernels::ScaleByBytes(srcAlpha, maskRow, kByte * scale, span);
            else if (scale < 1.0f)
                for (std::size_t x = 0; x < span; ++x) srcAlpha[x] *= scale;
            if (mode == BlendMode::Dissolve)
                for (std::size_t x = 0; x < span; ++x)
                    srcAlpha[x] = DissolveThreshold(left + static_cast<int>(x), y, node.index) < srcAlpha[x] ? 1.0f : 0.0f;
            BlendRow(mode, target, bandRow, left, span, srcColour, srcAlpha, fillInside);
        }
    }
    return true;
}

VANTREL_AVX2_CLONES bool CLayerCompositor::Run(const RowSink& sink, CPsdRefusal& refusal)
{
    if (!root_ && !Prepare(refusal)) return false;
    CBand& canvas = BandAt(0, 0);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width_) * static_cast<std::size_t>(planeCount_));
    std::vector<const std::uint8_t*> planes(static_cast<std::size_t>(planeCount_));
    for (int p = 0; p < planeCount_; ++p) planes[static_cast<std::size_t>(p)] = out.data() + static_cast<std::size_t>(p) * width_;
    for (bandTop_ = 0; bandTop_ < layout_.height; bandTop_ += bandRows_) {
        bandHeight_ = std::min(bandRows_, layout_.height - bandTop_);
        canvas.Clear(bandHeight_);
        if (!CompositeList(*root_, canvas, 0, refusal)) return false;
        // A layer whose last row is above the next band is done with.
        for (std::size_t i = 0; i < effects_.size(); ++i)
            if (effects_[i] && effects_[i]->Bottom() <= bandTop_ + bandHeight_) effects_[i].reset();
        for (std::size_t i = 0; i < states_.size(); ++i)
            if (states_[i] && layers_.records[i].bounds.bottom <= bandTop_ + bandHeight_ &&
                layers_.records[i].mask.bounds.bottom <= bandTop_ + bandHeight_)
                states_[i].reset();
        for (int row = 0; row < bandHeight_; ++row) {
            canvas.Realize(row);
            const float* alpha = canvas.Row(planeCount_, row);
            for (int p = 0; p < planeCount_; ++p) {
                std::uint8_t* shown = out.data() + static_cast<std::size_t>(p) * width_;
                const float* colour = canvas.Row(p, row);
                if (linearLight_)
                    for (int x = 0; x < width_; ++x) shown[x] = EncodeLinearLevel(colour[x] + (1.0f - alpha[x]));
                else
                    kernels::OverWhite(shown, colour, alpha, static_cast<std::size_t>(width_));
            }
            sink(planes.data());
        }
    }
    return true;
}

}  // namespace vantrel::studio::render
