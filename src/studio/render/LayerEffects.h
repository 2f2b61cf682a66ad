#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/LayerChannelRows.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/render/BlendModes.h"
#include "studio/render/GradientFill.h"

namespace vantrel::studio::render {

// A layer's drawn effects, worked out once over its bounds grown by their reach: a coverage
// plane per effect, from the layer's own coverage (transparency times mask). The banded
// compositor then takes them a row at a time, the shadows and glows below the layer's pixels
// and the interior effects and strokes above.
class CLayerEffectsImage {
public:
    // One effect's row: its blend mode, its colour (planeCount planes, straight, 0 to 1, the
    // same along the row) and its coverage with its opacity.
    struct CRow {
        BlendMode mode;
        float* const* colour;
        const float* alpha;
    };

    // Works the effects out from the layer's coverage (bounds.Width() x bounds.Height() samples
    // from 0 to 1, row by row). lightAngle: the document's global light, in degrees; canvas: the
    // box of gradients not aligned with the layer.
    void Build(const studio::psd::CPsdLayerRecord& record, const std::vector<float>& coverage, int lightAngle,
               int planeCount, const CFillBox& canvas);

    // Rows [Top(), Bottom()) and columns [Left(), Right()) of the canvas hold the effects.
    std::int64_t Top() const { return top_; }
    std::int64_t Bottom() const { return top_ + height_; }
    std::int64_t Left() const { return left_; }
    std::int64_t Right() const { return left_ + width_; }

    // Calls draw(CRow, left, span) for the canvas row y, columns [left, right) within the area, for
    // each effect drawn below the layer's pixels (below) or above them, bottom first; fade
    // scales every effect's opacity.
    template <typename Draw>
    void ForEachRow(bool below, std::int64_t y, std::int64_t left, std::int64_t right, float fade, Draw draw);

private:
    struct CPlane {
        BlendMode mode = BlendMode::Normal;
        bool below = false;
        float opacity = 1;
        std::vector<float> colour;                 // one value per plane
        std::vector<float> alpha;                  // the area's coverage
        std::optional<CGradientSampler> gradient;  // the colour and a further coverage, pixel by pixel
    };
    // Fills rowColour_ and rowAlpha_ with the plane's row, its opacity times fade applied.
    void TakeRow(const CPlane& plane, std::int64_t y, std::int64_t left, std::size_t span, float fade);

    std::int64_t top_ = 0, left_ = 0, width_ = 0, height_ = 0;
    int planeCount_ = 3;
    std::vector<CPlane> planes_;
    std::vector<float> rowColour_;  // planeCount rows of one colour
    std::vector<float*> rowPointers_;
    std::vector<float> rowAlpha_;
};

// The layer's coverage (its transparency channel, times its user mask when that is active)
// over its bounds, decoded whole; false with the refusal when its data cannot be read.
bool ReadLayerCoverage(studio::io::CDocumentFile& file, const studio::psd::CPsdLayerRecord& record, int depth, bool psb,
                       studio::psd::CChannelScratch& scratch, std::vector<float>& coverage,
                       studio::psd::CPsdRefusal& refusal);

template <typename Draw>
void CLayerEffectsImage::ForEachRow(bool below, std::int64_t y, std::int64_t left, std::int64_t right, float fade,
                                    Draw draw)
{
    if (y < top_ || y >= Bottom()) return;
    left = std::max(left, left_);
    right = std::min(right, Right());
    if (left >= right) return;
    const auto span = static_cast<std::size_t>(right - left);
    for (const CPlane& plane : planes_) {
        if (plane.below != below) continue;
        TakeRow(plane, y, left, span, fade);
        draw(CRow{plane.mode, rowPointers_.data(), rowAlpha_.data()}, left, span);
    }
}

}  // namespace vantrel::studio::render
