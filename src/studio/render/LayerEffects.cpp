#include "studio/render/LayerEffects.h"

#include <cmath>
#include <numbers>

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::psd::CChannelScratch;
using vantrel::studio::psd::CLayerChannelRows;
using vantrel::studio::psd::CLayerEffect;
using vantrel::studio::psd::CPsdLayerRecord;
using vantrel::studio::psd::CPsdRefusal;
using vantrel::studio::psd::LayerEffectKind;
using vantrel::studio::psd::StrokePosition;

namespace vantrel::studio::render {

namespace {

constexpr float kFar = 1e20f;

// A plane of floats over the effects' area, row by row.
struct CGrid {
    int width = 0;
    int height = 0;
    std::size_t Size() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

// The squared distance along a line from each sample to the nearest sample whose cost is 0, as
// the lower envelope of parabolas (Felzenszwalb and Huttenlocher): linear in the line's length.
void DistanceAlong(const float* cost, float* out, int n, std::vector<int>& hull, std::vector<float>& bounds)
{
    hull.assign(static_cast<std::size_t>(n), 0);
    bounds.assign(static_cast<std::size_t>(n) + 1, 0);
    auto meet = [&](int q, int p) {
        return ((cost[q] + float(q) * float(q)) - (cost[p] + float(p) * float(p))) / (2.0f * float(q - p));
    };
    std::size_t k = 0;
    bounds[0] = -kFar;
    bounds[1] = kFar;
    for (int q = 1; q < n; ++q) {
        float s = meet(q, hull[k]);
        while (k > 0 && s <= bounds[k]) {
            --k;
            s = meet(q, hull[k]);
        }
        ++k;
        hull[k] = q;
        bounds[k] = s;
        bounds[k + 1] = kFar;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (bounds[k + 1] < float(q)) ++k;
        const int p = hull[k];
        out[q] = float(q - p) * float(q - p) + cost[p];
    }
}

// The distance from each pixel to the nearest pixel at least half covered (covered) or less
// than half covered (!covered); pixels beyond the grid count as uncovered.
std::vector<float> Distances(const std::vector<float>& coverage, CGrid grid, bool toCovered)
{
    std::vector<float> cost(grid.Size());
    for (std::size_t i = 0; i < cost.size(); ++i) cost[i] = ((coverage[i] >= 0.5f) == toCovered) ? 0.0f : kFar;
    std::vector<int> hull;
    std::vector<float> bounds;
    std::vector<float> line(static_cast<std::size_t>(std::max(grid.width, grid.height)));
    std::vector<float> column(line.size());
    for (int x = 0; x < grid.width; ++x) {
        for (int y = 0; y < grid.height; ++y)
            line[static_cast<std::size_t>(y)] = cost[static_cast<std::size_t>(y) * grid.width + x];
        DistanceAlong(line.data(), column.data(), grid.height, hull, bounds);
        for (int y = 0; y < grid.height; ++y)
            cost[static_cast<std::size_t>(y) * grid.width + x] = column[static_cast<std::size_t>(y)];
    }
    for (int y = 0; y < grid.height; ++y) {
        float* row = cost.data() + static_cast<std::size_t>(y) * grid.width;
        std::copy_n(row, grid.width, line.data());
        DistanceAlong(line.data(), row, grid.width, hull, bounds);
    }
    // Outside the grid every pixel is uncovered: distances to the uncovered are capped by the
    // way out of the grid.
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) {
            float& d = cost[static_cast<std::size_t>(y) * grid.width + x];
            d = std::sqrt(d);
            if (!toCovered) d = std::min(d, float(std::min({x + 1, y + 1, grid.width - x, grid.height - y})));
        }
    return cost;
}

// A band of width pixels beyond the half-covered edge, from the distances to it: whole pixels
// up to the width, a fraction at its end. Distances are between pixel centres, so the first
// pixel past the edge lies 1 away and half a pixel beyond it.
inline float Band(float width, float distance)
{
    return std::clamp(width + 1.0f - distance, 0.0f, 1.0f);
}

// One pass of a box blur along a line: out[i * step] is the mean of in[i - r .. i + r], with
// outside beyond the ends.
void BoxAlong(const float* in, float* out, int n, std::size_t step, int r, float outside)
{
    double sum = outside * r;
    for (int i = 0; i <= r; ++i) sum += i < n ? in[i] : outside;
    const double scale = 1.0 / (2 * r + 1);
    for (int i = 0; i < n; ++i) {
        out[static_cast<std::size_t>(i) * step] = static_cast<float>(std::max(0.0, sum * scale));  // no drift below 0
        const int enter = i + r + 1, leave = i - r;
        sum += (enter < n ? in[enter] : outside) - (leave >= 0 ? in[leave] : outside);
    }
}

// Close to a Gaussian of the given sigma: three box blurs whose widths match its variance.
void Blur(std::vector<float>& plane, CGrid grid, double sigma, float outside)
{
    if (sigma < 0.3) return;
    const int passes = 3;
    int lower = static_cast<int>(std::sqrt(12.0 * sigma * sigma / passes + 1.0));
    if (lower % 2 == 0) --lower;
    const int upper = lower + 2;
    const int lowerCount = static_cast<int>(std::lround(
        (12.0 * sigma * sigma - passes * lower * lower - 4.0 * passes * lower - 3.0 * passes) / (-4.0 * lower - 4.0)));
    std::vector<float> line(static_cast<std::size_t>(std::max(grid.width, grid.height)));
    for (int pass = 0; pass < passes; ++pass) {
        const int r = ((pass < lowerCount ? lower : upper) - 1) / 2;
        for (int y = 0; y < grid.height; ++y) {
            float* row = plane.data() + static_cast<std::size_t>(y) * grid.width;
            std::copy_n(row, grid.width, line.data());
            BoxAlong(line.data(), row, grid.width, 1, r, outside);
        }
        for (int x = 0; x < grid.width; ++x) {
            for (int y = 0; y < grid.height; ++y)
                line[static_cast<std::size_t>(y)] = plane[static_cast<std::size_t>(y) * grid.width + x];
            BoxAlong(line.data(), plane.data() + x, grid.height, static_cast<std::size_t>(grid.width), r, outside);
        }
    }
}

// The plane moved by (dx, dy), with outside where it moved in from beyond the grid.
std::vector<float> Shifted(const std::vector<float>& plane, CGrid grid, int dx, int dy, float outside)
{
    if (dx == 0 && dy == 0) return plane;
    std::vector<float> out(grid.Size(), outside);
    for (int y = 0; y < grid.height; ++y) {
        const int from = y - dy;
        if (from < 0 || from >= grid.height) continue;
        for (int x = 0; x < grid.width; ++x) {
            const int source = x - dx;
            if (source >= 0 && source < grid.width)
                out[static_cast<std::size_t>(y) * grid.width + x] =
                    plane[static_cast<std::size_t>(from) * grid.width + source];
        }
    }
    return out;
}

}  // namespace

void CLayerEffectsImage::Build(const CPsdLayerRecord& record, const std::vector<float>& coverage, int lightAngle,
                               int planeCount, const CFillBox& canvas)
{
    const auto& effects = record.effects;
    const int reach = effects.Reach();
    planeCount_ = planeCount;
    top_ = std::int64_t{record.bounds.top} - reach;
    left_ = std::int64_t{record.bounds.left} - reach;
    width_ = record.bounds.Width() + 2 * reach;
    height_ = record.bounds.Height() + 2 * reach;
    // The record's reader has held the area within the effects' budget.
    const CGrid grid{static_cast<int>(width_), static_cast<int>(height_)};
    std::vector<float> cover(grid.Size(), 0.0f);
    const auto layerWidth = static_cast<std::size_t>(record.bounds.Width());
    for (std::int64_t y = 0; y < record.bounds.Height(); ++y)
        std::copy_n(coverage.data() + static_cast<std::size_t>(y) * layerWidth, layerWidth,
                    cover.data() + static_cast<std::size_t>(y + reach) * grid.width + reach);

    std::vector<float> toCovered, toUncovered;  // distances, worked out when an effect needs them
    auto outsideDistances = [&]() -> const std::vector<float>& {
        if (toCovered.empty()) toCovered = Distances(cover, grid, true);
        return toCovered;
    };
    auto insideDistances = [&]() -> const std::vector<float>& {
        if (toUncovered.empty()) toUncovered = Distances(cover, grid, false);
        return toUncovered;
    };
    // The coverage (or, inverted, what lies outside it) grown by spread pixels, then blurred.
    auto softShape = [&](const CLayerEffect& effect, bool inverted) {
        std::vector<float> shape(grid.Size());
        const float grow = static_cast<float>(effect.size * effect.spread / 100.0);
        for (std::size_t i = 0; i < shape.size(); ++i) shape[i] = inverted ? 1.0f - cover[i] : cover[i];
        if (grow > 0) {
            const std::vector<float>& distance = inverted ? insideDistances() : outsideDistances();
            for (std::size_t i = 0; i < shape.size(); ++i) shape[i] = std::max(shape[i], Band(grow, distance[i]));
        }
        // The editor's blur reaches about its size: a Gaussian of half the size as sigma.
        Blur(shape, grid, (effect.size - grow) / 2.0, inverted ? 1.0f : 0.0f);
        return shape;
    };
    auto strokeBand = [&](float width, bool outside) {
        std::vector<float> band(grid.Size());
        const std::vector<float>& distance = outside ? outsideDistances() : insideDistances();
        for (std::size_t i = 0; i < band.size(); ++i) {
            const bool covered = cover[i] >= 0.5f;
            if (outside)
                band[i] = covered ? 0.0f : std::max(0.0f, Band(width, distance[i]) - cover[i]);
            else
                band[i] = covered ? cover[i] * Band(width, distance[i]) : cover[i];
        }
        return band;
    };

    planes_.clear();
    for (const CLayerEffect& effect : effects.drawn) {
        CPlane plane;
        bool known = false;
        plane.mode = BlendModeFromKey(effect.blendKey, known);
        plane.opacity = static_cast<float>(effect.opacity);
        plane.below = effect.kind == LayerEffectKind::DropShadow || effect.kind == LayerEffectKind::OuterGlow;
        const float r = effect.colour[0] / 255.0f, g = effect.colour[1] / 255.0f, b = effect.colour[2] / 255.0f;
        if (planeCount == 1)
            plane.colour = {0.3f * r + 0.59f * g + 0.11f * b};
        else if (planeCount == 3)
            plane.colour = {r, g, b};
        else
            plane.colour = {r, g, b, 1.0f};  // stored inks, 1 for none: red is what cyan leaves
        const double angle = (effect.useGlobalLight ? lightAngle : effect.angle) * std::numbers::pi / 180.0;
        // The light comes from the angle, so the shadow falls the other way; y grows downwards.
        const int dx = static_cast<int>(std::lround(-std::cos(angle) * effect.distance));
        const int dy = static_cast<int>(std::lround(std::sin(angle) * effect.distance));
        switch (effect.kind) {
        case LayerEffectKind::DropShadow:
            plane.alpha = Shifted(softShape(effect, false), grid, dx, dy, 0.0f);
            if (effect.knockedOut)
                for (std::size_t i = 0; i < plane.alpha.size(); ++i) plane.alpha[i] *= 1.0f - cover[i];
            break;
        case LayerEffectKind::OuterGlow:
            plane.alpha = softShape(effect, false);
            for (std::size_t i = 0; i < plane.alpha.size(); ++i) plane.alpha[i] *= 1.0f - cover[i];
            break;
        case LayerEffectKind::InnerShadow:
            plane.alpha = Shifted(softShape(effect, true), grid, dx, dy, 1.0f);
            for (std::size_t i = 0; i < plane.alpha.size(); ++i) plane.alpha[i] *= cover[i];
            break;
        case LayerEffectKind::ColourOverlay:
            plane.alpha = cover;
            break;
        case LayerEffectKind::GradientOverlay: {
            // Aligned with the layer, the gradient spans the layer's bounds; else the canvas.
            const CFillBox layerBox{double(record.bounds.left), double(record.bounds.top),
                                    double(record.bounds.Width()), double(record.bounds.Height())};
            plane.gradient.emplace(effect.gradient, effect.gradient.alignWithLayer ? layerBox : canvas);
            plane.alpha = cover;
            break;
        }
        case LayerEffectKind::Stroke: {
            const auto width = static_cast<float>(effect.size);
            if (effect.position == StrokePosition::Outside) {
                plane.alpha = strokeBand(width, true);
            } else if (effect.position == StrokePosition::Inside) {
                plane.alpha = strokeBand(width, false);
            } else {
                plane.alpha = strokeBand(width / 2.0f, true);
                const std::vector<float> inner = strokeBand(width / 2.0f, false);
                for (std::size_t i = 0; i < inner.size(); ++i)
                    plane.alpha[i] = std::min(1.0f, plane.alpha[i] + inner[i]);
            }
            break;
        }
        }
        planes_.push_back(std::move(plane));
    }
}

void CLayerEffectsImage::TakeRow(const CPlane& plane, std::int64_t y, std::int64_t left, std::size_t span, float fade)
{
    const auto planes = static_cast<std::size_t>(planeCount_);
    if (rowColour_.size() < span * planes) rowColour_.resize(span * planes);
    if (rowAlpha_.size() < span) rowAlpha_.resize(span);
    rowPointers_.resize(planes);
    for (std::size_t p = 0; p < planes; ++p) rowPointers_[p] = rowColour_.data() + p * span;
    const float* row = plane.alpha.data() + static_cast<std::size_t>(y - top_) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(left - left_);
    for (std::size_t x = 0; x < span; ++x) rowAlpha_[x] = row[x] * plane.opacity * fade;
    if (!plane.gradient) {
        for (std::size_t p = 0; p < planes; ++p) std::fill_n(rowPointers_[p], span, plane.colour[p]);
        return;
    }
    for (std::size_t x = 0; x < span; ++x) {
        const CFillRgba sample =
            plane.gradient->At(static_cast<double>(left + static_cast<std::int64_t>(x)), static_cast<double>(y));
        rowAlpha_[x] *= sample.alpha;
        if (planes == 1) {
            rowPointers_[0][x] = 0.3f * sample.red + 0.59f * sample.green + 0.11f * sample.blue;
            continue;
        }
        rowPointers_[0][x] = sample.red;
        rowPointers_[1][x] = sample.green;
        rowPointers_[2][x] = sample.blue;
        if (planes == 4) rowPointers_[3][x] = 1.0f;
    }
}

bool ReadLayerCoverage(CDocumentFile& file, const CPsdLayerRecord& record, int depth, bool psb,
                       CChannelScratch& scratch, std::vector<float>& coverage, CPsdRefusal& refusal)
{
    const auto width = static_cast<std::size_t>(record.bounds.Width());
    const auto height = static_cast<std::size_t>(record.bounds.Height());
    coverage.assign(width * height, 1.0f);
    if (width == 0 || height == 0) return true;
    std::vector<std::uint8_t> row;
    if (const auto* alpha = record.FindChannel(psd::kTransparencyChannel)) {
        CLayerChannelRows rows;
        row.resize(width);
        if (!rows.Open(file, *alpha, record.bounds.Width(), record.bounds.Height(), depth, psb, scratch, refusal))
            return false;
        for (std::size_t y = 0; y < height; ++y) {
            if (!rows.Read(1, row.data(), refusal)) return false;
            for (std::size_t x = 0; x < width; ++x) coverage[y * width + x] = row[x] / 255.0f;
        }
    }
    const auto& mask = record.mask;
    if (!mask.present || mask.disabled) return true;
    // Outside its own rectangle a mask is its default colour; only the rows it shares with the
    // layer are decoded, a row at a time.
    const float outside = mask.defaultColor / 255.0f;
    const auto* channel = record.FindChannel(mask.channelId);
    CLayerChannelRows rows;
    const bool stored = channel != nullptr && !mask.bounds.IsEmpty();
    if (stored && !rows.Open(file, *channel, mask.bounds.Width(), mask.bounds.Height(), depth, psb, scratch, refusal))
        return false;
    if (stored) row.resize(static_cast<std::size_t>(mask.bounds.Width()));
    std::int64_t maskRow = 0;
    for (std::size_t y = 0; y < height; ++y) {
        const std::int64_t canvasY = record.bounds.top + static_cast<std::int64_t>(y);
        const bool inside = stored && canvasY >= mask.bounds.top && canvasY < mask.bounds.bottom;
        if (inside) {
            const std::int64_t wanted = canvasY - mask.bounds.top;
            if (wanted > maskRow && !rows.Skip(static_cast<int>(wanted - maskRow), refusal)) return false;
            if (!rows.Read(1, row.data(), refusal)) return false;
            maskRow = wanted + 1;
        }
        for (std::size_t x = 0; x < width; ++x) {
            const std::int64_t canvasX = record.bounds.left + static_cast<std::int64_t>(x);
            const bool within = inside && canvasX >= mask.bounds.left && canvasX < mask.bounds.right;
            coverage[y * width + x] *=
                within ? row[static_cast<std::size_t>(canvasX - mask.bounds.left)] / 255.0f : outside;
        }
    }
    return true;
}

}  // namespace vantrel::studio::render
