#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdErrors.h"
#include "studio/psd/PsdLayout.h"

namespace vantrel::studio::psd {

// What the image resources say about the composite.
struct CPsdResourceNotes {
    std::vector<std::uint8_t> iccProfile;             // 0x040F
    bool hasAlphaIdentifiers = false;                 // 0x041D: one per extra channel
    std::vector<std::uint32_t> alphaIdentifiers;      //   0 marks the transparency
    bool hasAlphaNames = false;                       // 0x03EE or 0x0415: extra channels are named
    std::vector<CDisplayColour> displayColours;       // 0x0435 or 0x03EF: one per extra channel
    int transparentIndex = -1;                        // 0x0417: indexed documents
    int globalLightAngle = 120;                       // 0x040D: degrees; the editor's default
    int globalLightAltitude = 30;                     // 0x0419: degrees
};

// Reads the image resources section [start, start + length), which lies within the file. A
// resource that runs past the section ends the reading: the rest of the document is still
// readable. Fails only on a colour profile larger than the studio accepts.
bool ReadImageResources(studio::io::CDocumentFile& file, std::uint64_t start, std::uint64_t length,
                        CPsdResourceNotes& notes, CPsdRefusal& refusal);

// What the layer and mask information says about the composite's transparency.
struct CPsdLayerNotes {
    bool negativeLayerCount = false;   // "the first extra channel is the merged transparency"
    bool transparencyBlock = false;    // a Mtrn, Mt16 or Mt32 block: the same, said differently
};

// Reads the layer and mask information section [start, start + length) as far as it is
// well-formed; it never fails the document.
CPsdLayerNotes ReadLayerNotes(studio::io::CDocumentFile& file, std::uint64_t start, std::uint64_t length, int version);

}  // namespace vantrel::studio::psd
