#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::studio::render {

// A document as the studio shows it: its size at 100 % and its composite scaled by area
// averaging to a fixed preview size, as 8-bit RGB triples. Only the preview is kept, so a
// document of any size costs the preview's memory once it is open.
struct CRenderedDocument {
    int width = 0;          // pixels at 100 %
    int height = 0;
    int colorMode = 0;      // the file's colour-mode code
    std::string modeName;   // as a document window's title shows it: "RGB", "Grayscale", ...
    int previewWidth = 0;
    int previewHeight = 0;
    std::vector<std::uint8_t> previewRgb;  // previewWidth * previewHeight * 3, row by row
    // Drawn from the layers because the stored merged image was a placeholder, missing or
    // damaged; then what the drawing leaves out, one line per layer and feature.
    bool fromLayers = false;
    std::vector<std::string> skippedLayerFeatures;
};

}  // namespace vantrel::studio::render
