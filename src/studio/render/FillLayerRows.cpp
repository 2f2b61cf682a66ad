#include "studio/render/FillLayerRows.h"

#include <algorithm>

using vantrel::studio::psd::CPsdLayerRecord;
using vantrel::studio::psd::CPsdLayers;
using vantrel::studio::psd::CPsdPattern;

namespace vantrel::studio::render {

namespace {

// The box of a shape's path anchors, in canvas pixels, or canvas when the layer has no path
// that shapes it.
CFillBox ShapeBounds(const CPsdLayerRecord& record, const CFillBox& canvas)
{
    const auto& mask = record.vectorMask;
    if (!record.hasVectorMask || !mask.readable || mask.disabled || mask.inverted) return canvas;
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const auto& subpath : mask.subpaths)
        for (const auto& knot : subpath.knots) {
            left = std::min(left, knot.x[1]);
            right = std::max(right, knot.x[1]);
            top = std::min(top, knot.y[1]);
            bottom = std::max(bottom, knot.y[1]);
        }
    if (!(right > left && bottom > top)) return canvas;
    return {left * canvas.width, top * canvas.height, (right - left) * canvas.width, (bottom - top) * canvas.height};
}

}  // namespace

std::unique_ptr<CFillLayerRows> CFillLayerRows::For(const CPsdLayerRecord& record, const CPsdLayers& layers,
                                                    int canvasWidth, int canvasHeight)
{
    // A fill with pixels of its own shows them: they are the editor's drawing of it.
    if (!record.bounds.IsEmpty()) return nullptr;
    auto rows = std::unique_ptr<CFillLayerRows>(new CFillLayerRows);
    if (record.gradientFill) {
        // A fill layer's own bounds are the document's; a shape's are its path's, over which a
        // gradient aligned with the layer spans.
        CFillBox box{0, 0, static_cast<double>(canvasWidth), static_cast<double>(canvasHeight)};
        if (record.gradientFill->alignWithLayer) box = ShapeBounds(record, box);
        rows->gradient_.emplace(*record.gradientFill, box);
        return rows;
    }
    if (record.patternFill) {
        const std::string& id = record.patternFill->patternId;
        const auto pattern = std::find_if(layers.patterns.begin(), layers.patterns.end(),
                                          [&](const CPsdPattern& p) { return p.id == id; });
        if (pattern == layers.patterns.end()) return nullptr;
        rows->pattern_.emplace(*pattern, *record.patternFill);
        return rows;
    }
    return nullptr;
}

template <typename Sampler>
void CFillLayerRows::SampleRow(const Sampler& sampler, int y, int left, std::size_t span, int planeCount,
                               float* const* colour, float* alpha)
{
    for (std::size_t i = 0; i < span; ++i) {
        const CFillRgba sample = sampler.At(left + static_cast<int>(i), y);
        alpha[i] = sample.alpha;
        if (planeCount == 3) {
            colour[0][i] = sample.red;
            colour[1][i] = sample.green;
            colour[2][i] = sample.blue;
        } else {
            // The weights a solid-colour fill is shown in grey with.
            colour[0][i] = sample.red * 0.3f + sample.green * 0.59f + sample.blue * 0.11f;
        }
    }
}

void CFillLayerRows::Row(int y, int left, std::size_t span, int planeCount, float* const* colour, float* alpha)
{
    if (gradient_)
        SampleRow(*gradient_, y, left, span, planeCount, colour, alpha);
    else
        SampleRow(*pattern_, y, left, span, planeCount, colour, alpha);
}

}  // namespace vantrel::studio::render
