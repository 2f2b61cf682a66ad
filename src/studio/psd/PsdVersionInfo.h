#pragma once

#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdLayout.h"

namespace vantrel::studio::psd {

// What the version-info resource (0x0421) says of the stored merged image.
enum class MergedImageFlag {
    Absent,       // no such resource, or one too short to say
    Real,         // hasRealMergedData is set
    Placeholder,  // saved without compatibility: the merged image only stands in for the layers
};

// Looks the resource up among the image resources, checking each block's lengths against the
// section as it goes.
MergedImageFlag ReadMergedImageFlag(studio::io::CDocumentFile& file, const CPsdLayout& layout);

}  // namespace vantrel::studio::psd
