#pragma once

#include <cstddef>

#include "studio/psd/FillDescriptors.h"
#include "studio/psd/PsdPatterns.h"
#include "studio/render/GradientFill.h"

namespace vantrel::studio::render {

// A pattern tiled from the canvas origin, shifted by the fill's phase, scaled and turned by its
// scale and angle; each pixel takes the nearest pattern pixel.
class CPatternSampler {
public:
    // pattern must outlive the sampler.
    CPatternSampler(const studio::psd::CPsdPattern& pattern, const studio::psd::CPatternFill& fill);

    CFillRgba At(int x, int y) const;

private:
    const studio::psd::CPsdPattern& pattern_;
    double phaseX_;
    double phaseY_;
    double inverseScale_;
    double cos_;
    double sin_;
    bool plain_;  // scale 1, no turn, whole-pixel phase: columns and rows map directly
};

}  // namespace vantrel::studio::render
