#include "studio/render/FillLayerRows.h"

#include <algorithm>

using vantrel::studio::psd::CPsdLayerRecord;
using vantrel::studio::psd::CPsdLayers;
using vantrel::studio::psd::CPsdPattern;

namespace vantrel::studio::render {

std::unique_ptr<CFillLayerRows> CFillLayerRows::For(const CPsdLayerRecord& record, const CPsdLayers& layers,
                                                    int canvasWidth, int canvasHeight)
{
    // A fill with pixels of its own shows them: they are the editor's drawing of it.
    if (!record.bounds.IsEmpty()) return nullptr;
    auto rows = std::unique_ptr<CFillLayerRows>(new CFillLayerRows);
    if (record.gradientFill) {
        // A fill layer's own bounds are the document's, aligned with the layer or not.
        const CFillBox canvas{0, 0, static_cast<double>(canvasWidth), static_cast<double>(canvasHeight)};
        rows->gradient_.emplace(*record.gradientFill, canvas);
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
