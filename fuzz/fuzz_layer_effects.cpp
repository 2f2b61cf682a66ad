// Any bytes as a layer's effects block, and what it reads drawn around a small layer. A block
// read must either succeed or give a reason; the drawing must stay within the budget the layer
// records keep.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "studio/psd/PsdLayerEffects.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/render/LayerEffects.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vantrel::studio;
    psd::CPsdLayerRecord record;
    record.bounds = {0, 0, 5, 6};
    std::string reason;
    if (!psd::ReadLayerEffects(std::span(data, size), record.effects, record.skipped, reason)) {
        if (reason.empty()) std::abort();
        return 0;
    }
    if (record.effects.FloatsFor(6, 5) > psd::CPsdLayerLimits::kMaxEffectFloats)
        record.effects.SetAside(record.skipped, "(past the budget)");
    // A disc-like coverage with soft edges, the same whatever the input.
    std::vector<float> coverage(30);
    for (int i = 0; i < 30; ++i) coverage[static_cast<std::size_t>(i)] = static_cast<float>((i * 7) % 5) / 4.0f;
    for (int planes : {1, 3}) {
        render::CLayerEffectsImage image;
        image.Build(record, coverage, 120, planes, render::CFillBox{0, 0, 6, 5});
        float sum = 0;
        for (std::int64_t y = image.Top(); y < image.Bottom(); ++y)
            for (bool below : {true, false})
                image.ForEachRow(below, y, image.Left(), image.Right(), 1.0f,
                                 [&](const render::CLayerEffectsImage::CRow& row, std::int64_t, std::size_t span) {
                                     for (std::size_t x = 0; x < span; ++x) sum += row.alpha[x] + row.colour[0][x];
                                 });
        if (!(sum >= 0)) std::abort();  // coverage and colour are never negative, nor NaN
    }
    return 0;
}
