#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel::studio {

// A document as the studio shows it: its size at 100 % and its composite scaled by area
// averaging to a fixed preview size, as 8-bit RGB triples. Only the preview is kept, so a
// document of any size costs the preview's memory once it is open.
struct CRenderedDocument {
    int width = 0;          // pixels at 100 %
    int height = 0;
    int colorMode = 0;      // the file's colour-mode code
    std::string modeName;   // "RGB", "Grayscale", "Indexed", "CMYK", "Bitmap"
    int previewWidth = 0;
    int previewHeight = 0;
    std::vector<std::uint8_t> previewRgb;  // previewWidth * previewHeight * 3, row by row
};

// Reads the document at a file-system path (already resolved), recognised by content, and
// renders its composite into a preview of previewWidth x previewHeight. Returns null and
// sets a one-line reason when the file cannot be read as a document the studio knows.
std::unique_ptr<CRenderedDocument> RenderDocument(const std::string& fileSystemPath, int previewWidth,
                                                  int previewHeight, std::string& reason);

}  // namespace vantrel::studio
