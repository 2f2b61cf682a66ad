#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdChannelRows.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/psd/PsdLayout.h"
#include "studio/render/LayerCompositor.h"
#include "studio/render/SampleDepth.h"

namespace vantrel::testing {

// How far the studio's drawing of a document's layers lies from the composite stored beside
// them, which an editor drew: the stored colour matted against white where the composite is
// transparent, against the compositor's 8-bit rows (deeper samples reduced as the studio shows them).
struct CCompositeDifference {
    double mean = 0;  // per sample
    int largest = 0;
};

// Draws the layers of the document at path, after edit has changed them as a test needs
// (setting aside stored pixels or effects); nullopt, with a test failure, when it cannot.
inline std::optional<CCompositeDifference> LayersAgainstComposite(
    const std::string& path, const std::function<void(studio::psd::CPsdLayers&)>& edit = {})
{
    using namespace vantrel::studio;
    io::CDocumentFile file(path);
    psd::CPsdLayout layout;
    psd::CPsdLayers layers;
    psd::CPsdRefusal refusal;
    if (!psd::ReadPsdLayout(file, layout, refusal) || !psd::ReadPsdLayerRecords(file, layout, layers, refusal)) {
        ADD_FAILURE() << path << ": " << refusal.Text();
        return std::nullopt;
    }
    if (edit) edit(layers);
    render::CLayerCompositor compositor(file, layout, layers, layout.colourChannels);
    psd::CPsdChannelRows stored;
    if (!compositor.Prepare(refusal) || !stored.Open(file, layout, layout.DrawnChannels(), refusal)) {
        ADD_FAILURE() << path << ": " << refusal.Text();
        return std::nullopt;
    }
    const int bytes = layout.depth / 8;
    double total = 0;
    std::int64_t samples = 0;
    CCompositeDifference difference;
    const auto width = static_cast<std::size_t>(layout.width);
    std::vector<std::uint8_t> levels(width * static_cast<std::size_t>(layout.colourChannels + 1), 255);
    const auto level = [&](int c, int x) { return int{levels[static_cast<std::size_t>(c) * width + static_cast<std::size_t>(x)]}; };
    const bool ran = compositor.Run(
        [&](const std::uint8_t* const* planes) {
            if (!stored.NextRow(refusal)) return;
            const std::uint8_t* const* rows = stored.Rows();
            const int kept = layout.colourChannels + (layout.mergedTransparency ? 1 : 0);
            for (int c = 0; c < kept; ++c) {
                std::uint8_t* out = levels.data() + static_cast<std::size_t>(c) * width;
                if (bytes == 1) std::copy_n(rows[c], width, out);
                else if (bytes == 2) render::Reduce16To8(rows[c], width, out);
                else if (c < layout.colourChannels) render::EncodeLinearTo8(rows[c], width, out);
                else render::ScaleCoverageTo8(rows[c], width, out);
            }
            for (int c = 0; c < layout.colourChannels; ++c)
                for (int x = 0; x < layout.width; ++x) {
                    const int editor = std::max(level(c, x), 255 - level(layout.colourChannels, x));
                    const int drawn = planes[c][x];
                    total += std::abs(editor - drawn);
                    difference.largest = std::max(difference.largest, std::abs(editor - drawn));
                    ++samples;
                }
        },
        refusal);
    if (!ran || samples == 0) {
        ADD_FAILURE() << path << ": " << refusal.Text();
        return std::nullopt;
    }
    difference.mean = total / static_cast<double>(samples);
    return difference;
}

}  // namespace vantrel::testing
