#pragma once

#include <memory>
#include <string>

#include "studio/io/DecodeRefusal.h"
#include "studio/io/DocumentFile.h"
#include "studio/render/RenderedDocument.h"

namespace vantrel::studio::formats {

// What can be wrong with a raster file read through a codec library (JPEG, PNG, GIF, TIFF) or
// against the shared raster limits, each with its message in RasterErrorText. The file kind's
// name comes before the message where a caller sees it (RenderRaster).
enum class RasterError {
    None,
    // The shared limits (CheckRasterSize).
    SideZero,              // "width" or "height"
    SideTooLong,           // "width" or "height", the side, the limit
    TooManyPixels,         // width, height, the limit
    // Any codec.
    CodecMessage,          // the library's own message, as one line
    NoImage,
    DamagedData,
    // JPEG.
    TruncatedData,
    TooManyScans,          // the limit
    ProgressiveMemory,     // the limit in MiB
    UnknownColourSpace,    // component count
    // PNG.
    UnexpectedChannels,
    // GIF.
    FrameOfNoSize,
    // TIFF.
    DamagedHeader,
    DamagedStructure,
    DamagedImageData,
    SampleFormat,
    SampleBits,            // bits
    Compression,           // compression code
    LargePalette,
    Inks,
    Photometric,           // photometric code
    SamplesForColour,      // samples, bits
    NoPalette,
    BufferTooLarge,        // bytes
};

const char* RasterErrorText(RasterError error);

using CRasterRefusal = studio::io::CDecodeRefusal<RasterError, RasterErrorText>;

// A codec-backed kind's decoder: a preview, or null with the refusal.
using RasterDecoder = std::unique_ptr<studio::render::CRenderedDocument> (*)(studio::io::CDocumentFile& file, int previewWidth, int previewHeight,
                                                              CRasterRefusal& refusal);

// Runs a decoder as its kind's entry: a refusal becomes the reason callers see, the kind's name
// and the message ("JPEG: no image"); a decoder that gave none refuses for damaged data.
std::unique_ptr<studio::render::CRenderedDocument> RenderRaster(const char* kindName, RasterDecoder decode, studio::io::CDocumentFile& file,
                                                int previewWidth, int previewHeight, std::string& reason);

}  // namespace vantrel::studio::formats
