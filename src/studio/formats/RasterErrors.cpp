#include "studio/formats/RasterErrors.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::render::CRenderedDocument;

namespace vantrel::studio::formats {

const char* RasterErrorText(RasterError error)
{
    switch (error) {
    case RasterError::None: return "no error";
    case RasterError::SideZero: return "{} 0 is out of range";
    case RasterError::SideTooLong: return "{} {} exceeds {}";
    case RasterError::TooManyPixels: return "{} x {} pixels exceed the limit of {}";
    case RasterError::CodecMessage: return "{}";
    case RasterError::NoImage: return "no image";
    case RasterError::DamagedData: return "damaged data";
    case RasterError::TruncatedData: return "truncated data";
    case RasterError::TooManyScans: return "more than {} scans";
    case RasterError::ProgressiveMemory: return "decoding this progressive image needs more than {} MiB";
    case RasterError::UnknownColourSpace: return "{} components in no known colour space";
    case RasterError::UnexpectedChannels: return "an unexpected number of channels";
    case RasterError::FrameOfNoSize: return "a frame of no size";
    case RasterError::DamagedHeader: return "damaged header";
    case RasterError::DamagedStructure: return "damaged image structure";
    case RasterError::DamagedImageData: return "damaged image data";
    case RasterError::SampleFormat: return "signed or floating-point samples are not supported";
    case RasterError::SampleBits: return "{}-bit samples are not supported";
    case RasterError::Compression: return "compression {} is not supported";
    case RasterError::LargePalette: return "a palette of more than 256 colours";
    case RasterError::Inks: return "inks other than CMYK";
    case RasterError::Photometric: return "photometric interpretation {} is not supported";
    case RasterError::SamplesForColour: return "{} samples of {} bits do not make its colour";
    case RasterError::NoPalette: return "a palette image without its palette";
    case RasterError::BufferTooLarge: return "rows or tiles of {} bytes are more than the studio reads at once";
    }
    return "damaged data";
}

std::unique_ptr<CRenderedDocument> RenderRaster(const char* kindName, RasterDecoder decode, CDocumentFile& file,
                                                int previewWidth, int previewHeight, std::string& reason)
{
    CRasterRefusal refusal;
    auto document = decode(file, previewWidth, previewHeight, refusal);
    if (!document) {
        if (!refusal.Refused()) refusal = CRasterRefusal::Of(RasterError::DamagedData);
        reason = std::string(kindName) + ": " + refusal.Text();
    }
    return document;
}

}  // namespace vantrel::studio::formats
