#include "studio/formats/FileKinds.h"

#include <cstring>

#include "studio/psd/ColorModes.h"
#include "studio/psd/DocumentFile.h"
#include "studio/psd/PsdChannelRows.h"
#include "studio/psd/PsdLayout.h"
#include "studio/render/AreaScaler.h"
#include "studio/render/ColorConversion.h"
#include "studio/render/SampleDepth.h"

namespace vantrel::studio {

namespace {

// Brings one row of each drawn channel to 8 bits: 16-bit samples by rounding, 32-bit ones (RGB
// and grey linear light, and the transparency, a coverage) as an editor displays them.
class CRowDepth {
public:
    // keepColour: the colour rows are handed on as stored (the converter takes them deep).
    CRowDepth(const CPsdLayout& layout, int drawn, bool keepColour)
        : depth_(layout.depth),
          width_(static_cast<std::size_t>(layout.width)),
          colourChannels_(layout.colourChannels),
          keepColour_(keepColour)
    {
        rows_.resize(static_cast<std::size_t>(drawn));
        if (depth_ > 8) {
            buffer_.resize(rows_.size() * width_);
            for (std::size_t channel = 0; channel < rows_.size(); ++channel) rows_[channel] = buffer_.data() + channel * width_;
        }
    }

    const std::uint8_t* const* Reduce(const std::uint8_t* const* stored)
    {
        if (depth_ <= 8) return stored;
        for (std::size_t channel = 0; channel < rows_.size(); ++channel) {
            auto* out = buffer_.data() + channel * width_;
            if (keepColour_ && static_cast<int>(channel) < colourChannels_)
                rows_[channel] = stored[channel];
            else if (depth_ == 16)
                Reduce16To8(stored[channel], width_, out);
            else if (static_cast<int>(channel) < colourChannels_)
                EncodeLinearTo8(stored[channel], width_, out);
            else
                ScaleCoverageTo8(stored[channel], width_, out);
        }
        return rows_.data();
    }

private:
    int depth_;
    std::size_t width_;
    int colourChannels_;
    bool keepColour_;
    std::vector<std::uint8_t> buffer_;
    std::vector<const std::uint8_t*> rows_;
};

std::unique_ptr<CRenderedDocument> RenderPsd(CDocumentFile& file, int previewWidth, int previewHeight,
                                             std::string& reason)
{
    CPsdLayout layout;
    if (!ReadPsdLayout(file, layout, reason)) return nullptr;
    const CColorMode& mode = *FindReadableColorMode(layout.colorMode);
    const int drawn = layout.DrawnChannels();

    CPsdChannelRows rows;
    if (!rows.Open(file, layout, drawn, reason)) return nullptr;
    CColourSpec spec;
    spec.colorMode = layout.colorMode;
    spec.width = layout.width;
    spec.colourChannels = layout.colourChannels;
    spec.transparency = layout.mergedTransparency;
    spec.palette = layout.palette;
    spec.transparentIndex = layout.transparentIndex;
    spec.inks = layout.inks;
    spec.depth = layout.depth;
    // 32-bit documents are shown through the sRGB curve whatever linear profile they carry.
    if (layout.depth != 32) spec.iccProfile = std::move(layout.iccProfile);
    CRowConverter converter(spec);
    CRowDepth depth(layout, drawn, converter.TakesDeepColour());
    CAreaScaler scaler(layout.width, layout.height, previewWidth, previewHeight, converter.OutputPlanes());
    for (int y = 0; y < layout.height; ++y) {
        if (!rows.NextRow(reason)) return nullptr;
        scaler.AddRow(converter.Convert(depth.Reduce(rows.Rows())));
    }

    auto document = std::make_unique<CRenderedDocument>();
    document->width = layout.width;
    document->height = layout.height;
    document->colorMode = layout.colorMode;
    document->modeName = mode.name;
    document->previewWidth = previewWidth;
    document->previewHeight = previewHeight;
    const std::vector<std::uint8_t>& preview = scaler.Preview();
    if (converter.OutputPlanes() == 3) {
        document->previewRgb = preview;
    } else {
        document->previewRgb.reserve(preview.size() * 3);
        for (std::uint8_t grey : preview) document->previewRgb.insert(document->previewRgb.end(), 3, grey);
    }
    return document;
}

bool LooksLikePsd(const std::uint8_t* head, std::size_t size)
{
    return size >= 4 && std::memcmp(head, "8BPS", 4) == 0;
}

}  // namespace

// PSB documents share the signature and differ by version; one entry reads both.
const CFileKind kPsdFileKind = {"PSD", LooksLikePsd, RenderPsd};

}  // namespace vantrel::studio
