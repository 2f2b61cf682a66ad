#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdErrors.h"

namespace vantrel::studio::psd {

// The colour a channel is displayed in (a Multichannel document's ink), as the display
// information resource stores it: Photoshop's colour space code and four 16-bit components.
struct CDisplayColour {
    int space = -1;  // 0 RGB, 1 HSB, 2 CMYK, 7 Lab, 8 Grayscale; -1: none given
    std::uint16_t components[4] = {0, 0, 0, 0};
    // How much the ink hides what is printed before it, 0 to 100: at 0 it only darkens (a
    // transparent ink), at 100 it covers as opaque paint.
    int solidity = 0;
};

// Where a Photoshop document (PSD, or PSB: version 2, the large document format) keeps its
// composite, and in what shape: the header once it has been checked, what the image resources
// and the layer section say about the composite's colour and transparency, and the start of
// the image data.
struct CPsdLayout {
    static constexpr int kMaxPsdSide = 30000;
    static constexpr int kMaxPsbSide = 300000;
    // A PSB may be 300,000 pixels on a side, but 2^31 pixels (a 46,000-pixel square, or a
    // 300,000 x 7,000 banner) already take seconds to decode and average at a nanosecond or
    // two per sample; past that a capture would stall grading for minutes, and a ZIP stream a
    // few megabytes long could claim it. A PSD's own limit (30,000 x 30,000) stays below.
    static constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 31;
    // The channels drawn (colour, inks and the merged transparency) are held a row each; the
    // format documents at most 56. Saved selections and spot channels beyond them are only
    // stepped over, so a document may have more channels than that in all.
    static constexpr int kMaxDrawnChannels = 56;
    // Larger embedded colour profiles are refused rather than read into memory.
    static constexpr std::uint64_t kMaxProfileBytes = 32u << 20;
    // Resources that describe the extra channels (names, identifiers, display colours) are
    // read only up to one entry per channel the header's 16-bit count allows.
    static constexpr std::uint64_t kMaxDescribedChannels = 0xFFFF;

    int version = 1;   // 1 PSD, 2 PSB
    int width = 0;
    int height = 0;
    int channels = 0;  // in the file, drawn or not
    int depth = 0;
    int colorMode = 0;
    int compression = 0;                 // 0 raw, 1 PackBits, 2 ZIP, 3 ZIP with prediction
    std::vector<std::uint8_t> palette;   // indexed documents: 256 reds, 256 greens, 256 blues
    int transparentIndex = -1;           // indexed documents: the palette entry that is transparent
    int colourChannels = 0;              // leading channels that carry colour or ink
    bool mergedTransparency = false;     // the channel after them is the composite's transparency
    std::vector<CDisplayColour> inks;    // Multichannel documents: one per colour channel
    std::vector<std::uint8_t> iccProfile;  // the embedded ICC profile, if any
    int globalLightAngle = 120;          // degrees: where layer effects that follow the global light fall from
    int globalLightAltitude = 30;
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
    // The leading channels drawn: the colour channels and, where there is one, the merged
    // transparency after them.
    int DrawnChannels() const { return colourChannels + (mergedTransparency ? 1 : 0); }
};

// Reads and checks the header, takes the palette, reads the image resources the composite's
// display depends on, looks into the layer and mask information for what it says about the
// composite's transparency, and finds the image data. On failure returns false with the
// refusal; nothing the file claims is allocated before it has been checked.
bool ReadPsdLayout(studio::io::CDocumentFile& file, CPsdLayout& layout, CPsdRefusal& refusal);

}  // namespace vantrel::studio::psd
