// Any bytes as a gradient or pattern fill's settings and as a block of patterns: the settings
// go through the descriptor reader into the fill readers, the block through the pattern
// reader, and whatever is read is sampled at a few pixels of a small box.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "studio/psd/FillDescriptors.h"
#include "studio/psd/PsdDescriptor.h"
#include "studio/psd/PsdPatterns.h"
#include "studio/render/GradientFill.h"
#include "studio/render/PatternFill.h"

namespace {

using namespace vantrel::studio;

void Check(const render::CFillRgba& sample)
{
    for (float value : {sample.red, sample.green, sample.blue, sample.alpha})
        if (!(value >= 0.0f && value <= 1.0f)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    psd::CDescriptorValue descriptor;
    std::string reason;
    if (psd::ReadVersionedDescriptor(bytes, descriptor, reason)) {
        psd::CGradientFill gradient;
        std::string notDrawn;
        if (psd::ReadGradientFill(descriptor, gradient, notDrawn)) {
            const render::CGradientSampler sampler(gradient, {-3, 2, 17, 9});
            for (int y = -1; y < 12; y += 3)
                for (int x = -4; x < 16; x += 5) Check(sampler.At(x, y));
        } else if (notDrawn.empty()) {
            std::abort();
        }
        psd::CPatternFill fill;
        notDrawn.clear();
        if (!psd::ReadPatternFill(descriptor, fill, notDrawn) && notDrawn.empty()) std::abort();
    } else if (reason.empty()) {
        std::abort();
    }

    std::vector<psd::CPsdPattern> patterns;
    std::vector<psd::CSkippedPattern> skipped;
    reason.clear();
    if (!psd::ReadPatternBlock(bytes, {}, patterns, skipped, reason) && reason.empty()) std::abort();
    psd::CPatternFill fill;
    fill.phaseX = 3;
    fill.phaseY = -2;
    for (const psd::CPsdPattern& pattern : patterns) {
        if (pattern.rgba.size() != static_cast<std::size_t>(pattern.width) * pattern.height * 4) std::abort();
        for (double scale : {1.0, 0.37}) {
            fill.scale = scale;
            fill.angle = scale == 1.0 ? 0 : 30;
            const render::CPatternSampler sampler(pattern, fill);
            for (int y = -7; y < 9; y += 4)
                for (int x = -5; x < 11; x += 3) Check(sampler.At(x, y));
        }
    }
    return 0;
}
