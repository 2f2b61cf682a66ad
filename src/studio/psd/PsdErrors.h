#pragma once

#include "studio/io/DecodeRefusal.h"

namespace vantrel::studio::psd {

// What can be wrong with a PSD or PSB document, its composite or its layers, each with its
// message in PsdErrorText. One family for all of it: the PackBits and ZIP streams are shared
// by composite and layer channels, and the layer path hands their refusals on unchanged.
enum class PsdError {
    None,
    // The header and the sections before the image data.
    NotPsd,
    TruncatedHeader,
    UnknownVersion,        // version
    NoChannels,
    SideZero,              // "width" or "height"
    SideTooLong,           // "width" or "height", the side, the limit
    TooManyPixels,         // width, height, the limit
    UnknownColorMode,      // mode code
    DepthForMode,          // depth, mode name
    TooFewChannels,        // mode name, channels needed, channels present
    TruncatedSection,      // the section's name
    NoPalette,
    ProfileTooLarge,       // bytes, the limit
    UnknownCompression,    // compression code
    TooManyDrawnChannels,  // channels, the limit
    // The composite's rows.
    TruncatedImageData,
    PackBitsRowTooLong,    // bytes
    CorruptPackBits,       // row, channel
    ReadPastLastRow,
    // ZIP streams, composite or layer channel.
    ZipPredictionOneBit,
    ZipCannotStart,
    ZipCorrupt,
    ZipPastImage,
    ZipTruncated,
    NoZlib,
    // The layer records.
    TruncatedLayerSection,
    TruncatedLayerInfo,
    LayerInfoPastSection,
    LayerCountTooLarge,    // count
    TruncatedLayerRecords,
    LayerBounds,           // layer, width, height
    LayerChannelCount,     // layer, channels
    NoBlendSignature,      // layer
    MaskPastRecord,
    MaskBounds,            // layer, width, height
    BlendingRanges,        // layer
    BlocksPastSection,
    MalformedBlock,
    LayerDataPastInfo,
    // The layer channels and their composite.
    TruncatedLayerChannel,
    LayerDepth,            // depth
    LayerCompression,      // compression code
    ReadPastLayerChannel,
    CorruptLayerPackBits,
    GroupsTooDeep,         // the limit
    LayersOfMode,          // mode name
};

const char* PsdErrorText(PsdError error);

using CPsdRefusal = studio::io::CDecodeRefusal<PsdError, PsdErrorText>;

}  // namespace vantrel::studio::psd
