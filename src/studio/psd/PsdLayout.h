#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studio/psd/DocumentFile.h"

namespace vantrel::studio {

// Where a Photoshop document keeps its composite, and in what shape: the header once it has
// been checked, the palette of an indexed document, and the start of the image data.
struct CPsdLayout {
    static constexpr int kMaxSide = 30000;
    static constexpr int kMaxChannels = 56;

    int width = 0;
    int height = 0;
    int channels = 0;
    int depth = 0;
    int colorMode = 0;
    int version = 1;                     // 2 for a large-document (PSB) file
    int compression = 0;                 // 0 raw, 1 PackBits
    std::vector<std::uint8_t> palette;   // indexed documents: 256 reds, 256 greens, 256 blues
    std::uint64_t imageDataOffset = 0;   // first byte after the compression word
    // The sections between the header and the image data, each after its length word. They
    // are set, and sectionsRead is true, once every section length has been checked against
    // the file, even when the image data that follows is missing.
    std::uint64_t resourcesOffset = 0;
    std::uint64_t resourcesLength = 0;
    std::uint64_t layersOffset = 0;      // layer and mask information
    std::uint64_t layersLength = 0;
    bool sectionsRead = false;

    // Bytes in one row of one channel.
    std::uint64_t RowBytes() const { return (static_cast<std::uint64_t>(width) * depth + 7) / 8; }
};

// Reads and checks the header, takes the palette, and steps over the colour-mode data, image
// resources and layer and mask information by their lengths. On failure returns false with a
// one-line reason; nothing the header claims is allocated before it has been checked.
bool ReadPsdLayout(CDocumentFile& file, CPsdLayout& layout, std::string& reason);

}  // namespace vantrel::studio
