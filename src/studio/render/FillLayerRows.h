#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "studio/psd/PsdLayerRecords.h"
#include "studio/render/GradientFill.h"
#include "studio/render/PatternFill.h"

namespace vantrel::studio::render {

// What a gradient or pattern fill layer without stored pixels draws, a row at a time: the
// fill over the whole canvas, which its masks then shape.
class CFillLayerRows {
public:
    // Null when the layer has stored pixels, or no gradient or pattern fill the studio draws.
    static std::unique_ptr<CFillLayerRows> For(const studio::psd::CPsdLayerRecord& record,
                                               const studio::psd::CPsdLayers& layers, int canvasWidth,
                                               int canvasHeight);

    // Straight colour (planeCount planes: 3 red, green, blue; 1 grey) and coverage, 0..1, of
    // span pixels of canvas row y from column left.
    void Row(int y, int left, std::size_t span, int planeCount, float* const* colour, float* alpha);

private:
    template <typename Sampler>
    void SampleRow(const Sampler& sampler, int y, int left, std::size_t span, int planeCount, float* const* colour,
                   float* alpha);

    std::optional<CGradientSampler> gradient_;
    std::optional<CPatternSampler> pattern_;
};

}  // namespace vantrel::studio::render
