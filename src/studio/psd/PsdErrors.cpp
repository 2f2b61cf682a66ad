#include "studio/psd/PsdErrors.h"

namespace vantrel::studio::psd {

const char* PsdErrorText(PsdError error)
{
    switch (error) {
    case PsdError::None: return "no error";
    case PsdError::NotPsd: return "not a PSD document";
    case PsdError::TruncatedHeader: return "truncated header";
    case PsdError::UnknownVersion: return "unknown PSD version {}";
    case PsdError::NoChannels: return "channel count is 0";
    case PsdError::SideZero: return "{} is 0";
    case PsdError::SideTooLong: return "{} {} exceeds {}";
    case PsdError::TooManyPixels: return "{} x {} pixels exceed {}";
    case PsdError::UnknownColorMode: return "colour mode {} (unknown) is not supported";
    case PsdError::DepthForMode: return "depth {} is not supported for {} documents";
    case PsdError::TooFewChannels: return "{} needs {} channels, the document has {}";
    case PsdError::TruncatedSection: return "truncated {}";
    case PsdError::NoPalette: return "indexed document without a 768-byte palette";
    case PsdError::ProfileTooLarge: return "embedded colour profile of {} bytes exceeds {}";
    case PsdError::UnknownCompression: return "unknown compression {}";
    case PsdError::TooManyDrawnChannels: return "{} channels to draw exceed {}";
    case PsdError::TruncatedImageData: return "truncated image data";
    case PsdError::PackBitsRowTooLong: return "PackBits row of {} bytes is longer than a row can pack to";
    case PsdError::CorruptPackBits: return "corrupt PackBits data in row {} of channel {}";
    case PsdError::ReadPastLastRow: return "read past the last row";
    case PsdError::ZipPredictionOneBit: return "ZIP prediction is not defined for 1-bit data";
    case PsdError::ZipCannotStart: return "cannot start inflating ZIP image data";
    case PsdError::ZipCorrupt: return "corrupt ZIP image data";
    case PsdError::ZipPastImage: return "ZIP image data runs past the image";
    case PsdError::ZipTruncated: return "truncated ZIP image data";
    case PsdError::NoZlib: return "ZIP-compressed image data cannot be read: this build has no zlib";
    case PsdError::TruncatedLayerSection: return "truncated layer and mask information";
    case PsdError::TruncatedLayerInfo: return "truncated layer information";
    case PsdError::LayerInfoPastSection: return "layer information runs past its section";
    case PsdError::LayerCountTooLarge: return "layer count {} does not fit its section";
    case PsdError::TruncatedLayerRecords: return "truncated layer records";
    case PsdError::LayerBounds: return "layer {} has bounds of {} x {} pixels";
    case PsdError::LayerChannelCount: return "layer {} has {} channels";
    case PsdError::NoBlendSignature: return "layer {} has no blend-mode signature";
    case PsdError::MaskPastRecord: return "layer mask data runs past its layer record";
    case PsdError::MaskBounds: return "layer {} has a mask of {} x {} pixels";
    case PsdError::BlendingRanges: return "layer {} has blending ranges that run past its record";
    case PsdError::BlocksPastSection: return "additional layer information runs past its section";
    case PsdError::MalformedBlock: return "malformed additional layer information";
    case PsdError::LayerDataPastInfo: return "layer channel data runs past the layer information";
    case PsdError::TruncatedLayerChannel: return "truncated layer channel data";
    case PsdError::LayerDepth: return "layer depth {} is not supported";
    case PsdError::LayerCompression: return "unknown layer compression {}";
    case PsdError::ReadPastLayerChannel: return "read past the last row of a layer channel";
    case PsdError::CorruptLayerPackBits: return "corrupt PackBits data in a layer channel";
    case PsdError::GroupsTooDeep: return "layer groups are nested deeper than {}";
    case PsdError::LayersOfMode: return "layers of {} documents cannot be drawn";
    }
    return "damaged PSD document";
}

}  // namespace vantrel::studio::psd
