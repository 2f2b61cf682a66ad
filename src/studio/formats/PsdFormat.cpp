#include "studio/formats/FileKinds.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "studio/psd/ColorModes.h"
#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdChannelRows.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/psd/PsdLayout.h"
#include "studio/psd/PsdVersionInfo.h"
#include "studio/render/AreaScaler.h"
#include "studio/render/ColorConversion.h"
#include "studio/render/LayerCompositor.h"
#include "studio/render/SampleDepth.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::psd::CColorMode;
using vantrel::studio::psd::CPsdChannelRows;
using vantrel::studio::psd::CPsdLayers;
using vantrel::studio::psd::CPsdLayout;
using vantrel::studio::psd::CPsdRefusal;
using vantrel::studio::psd::FindReadableColorMode;
using vantrel::studio::psd::MergedImageFlag;
using vantrel::studio::psd::PsdError;
using vantrel::studio::psd::ReadMergedImageFlag;
using vantrel::studio::psd::ReadPsdLayerRecords;
using vantrel::studio::psd::ReadPsdLayout;
using vantrel::studio::render::CAreaScaler;
using vantrel::studio::render::CColourSpec;
using vantrel::studio::render::CLayerCompositor;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::render::CRowConverter;
using vantrel::studio::render::EncodeLinearTo8;
using vantrel::studio::render::Reduce16To8;
using vantrel::studio::render::ScaleCoverageTo8;

namespace vantrel::studio::formats {

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

// Whether every sample of each plane in a row equals the first sample of that plane seen.
class CUniformCheck {
public:
    explicit CUniformCheck(int planeCount, int width) : first_(static_cast<std::size_t>(planeCount)), width_(width) {}
    void AddRow(const std::uint8_t* const* planes)
    {
        if (!uniform_) return;
        for (std::size_t p = 0; p < first_.size(); ++p) {
            if (!seen_) first_[p] = planes[p][0];
            const std::uint8_t* row = planes[p];
            if (std::any_of(row, row + width_, [&](std::uint8_t v) { return v != first_[p]; })) uniform_ = false;
        }
        seen_ = true;
    }
    bool Uniform() const { return uniform_; }

private:
    std::vector<std::uint8_t> first_;
    int width_;
    bool seen_ = false;
    bool uniform_ = true;
};

struct CPreview {
    std::vector<std::uint8_t> samples;
    int planes = 3;  // grey, or red, green and blue
    bool uniform = false;
};

// The colour handling of a document's rows, whether they come from the stored image or from
// the layers (8-bit colour over white, no transparency).
CColourSpec ColourSpecOf(const CPsdLayout& layout, bool transparency, int depth)
{
    CColourSpec shape;
    shape.colorMode = layout.colorMode;
    shape.width = layout.width;
    shape.colourChannels = layout.colourChannels;
    shape.transparency = transparency;
    shape.palette = layout.palette;
    shape.transparentIndex = layout.transparentIndex;
    shape.inks = layout.inks;
    shape.depth = depth;
    // 32-bit documents are shown through the sRGB curve whatever linear profile they carry.
    if (layout.depth != 32) shape.iccProfile = layout.iccProfile;
    return shape;
}

// The stored merged image, row by row into the scaler. uniformCheck costs a pass over each
// converted row, so only documents that may need the placeholder rule ask for it.
bool RenderStoredImage(CDocumentFile& file, const CPsdLayout& layout, int previewWidth, int previewHeight,
                       bool uniformCheck, CPreview& preview, CPsdRefusal& refusal)
{
    const int drawn = layout.DrawnChannels();
    CPsdChannelRows rows;
    if (!rows.Open(file, layout, drawn, refusal)) return false;
    CRowConverter converter(ColourSpecOf(layout, layout.mergedTransparency, layout.depth));
    CRowDepth depth(layout, drawn, converter.TakesDeepColour());
    CAreaScaler scaler(layout.width, layout.height, previewWidth, previewHeight, converter.OutputPlanes());
    CUniformCheck uniform(converter.OutputPlanes(), layout.width);
    for (int y = 0; y < layout.height; ++y) {
        if (!rows.NextRow(refusal)) return false;
        const std::uint8_t* const* converted = converter.Convert(depth.Reduce(rows.Rows()));
        if (uniformCheck) uniform.AddRow(converted);
        scaler.AddRow(converted);
    }
    preview.samples = scaler.Preview();
    preview.planes = converter.OutputPlanes();
    preview.uniform = uniformCheck && uniform.Uniform();
    return true;
}

// The layers, composited over white, then the same colour handling and averaging.
bool RenderLayerComposite(CDocumentFile& file, const CPsdLayout& layout, const CColorMode& mode,
                          const CPsdLayers& layers, int previewWidth, int previewHeight, CPreview& preview,
                          CPsdRefusal& refusal)
{
    if (mode.code == 0 || mode.code == 2) {
        refusal = CPsdRefusal::Of(PsdError::LayersOfMode, mode.name);
        return false;
    }
    CLayerCompositor compositor(file, layout, layers, layout.colourChannels);
    if (!compositor.Prepare(refusal)) return false;
    CRowConverter converter(ColourSpecOf(layout, false, 8));
    CAreaScaler scaler(layout.width, layout.height, previewWidth, previewHeight, converter.OutputPlanes());
    CUniformCheck uniform(converter.OutputPlanes(), layout.width);
    const bool drawn = compositor.Run(
        [&](const std::uint8_t* const* planes) {
            const std::uint8_t* const* converted = converter.Convert(planes);
            uniform.AddRow(converted);
            scaler.AddRow(converted);
        },
        refusal);
    if (!drawn) return false;
    preview.samples = scaler.Preview();
    preview.planes = converter.OutputPlanes();
    preview.uniform = uniform.Uniform();
    return true;
}

// Whether a single-colour stored image, in a document that does not say whether it is real,
// stands in for layers that draw something else: they show more than one colour, or a colour
// of their own when the drawing left nothing out.
bool ShowsTheLayersInstead(const CPreview& stored, const CPreview& layers, const std::vector<std::string>& skipped)
{
    if (!layers.uniform) return true;
    if (!skipped.empty() || stored.samples.empty() || layers.samples.size() != stored.samples.size()) return false;
    for (std::size_t i = 0; i < stored.samples.size(); ++i)
        if (std::abs(int{stored.samples[i]} - int{layers.samples[i]}) > 1) return true;
    return false;
}

// Where the picture comes from. The stored merged image is used whenever it is real; the
// layers are drawn instead when
//  - the version-info resource says the merged image is a placeholder, or
//  - the merged image is missing or cut short while the layer records and data are complete, or
//  - there is no version-info resource, the merged image is a single colour and the layers
//    draw something else: writers that store no composite fill its place with one value,
//    while a real merged image is what the layers draw. When the layers are one colour too,
//    they are believed only if the drawing left nothing out (a one-pixel document is always
//    one colour).
// When the layers cannot be drawn, a placeholder that could be read is shown as before.
std::unique_ptr<CRenderedDocument> RenderPsd(CDocumentFile& file, int previewWidth, int previewHeight,
                                             std::string& reason)
{
    CPsdLayout layout;
    CPsdRefusal layoutRefusal;
    const bool storedReadable = ReadPsdLayout(file, layout, layoutRefusal);
    const bool storedMissing =
        !storedReadable && layout.sectionsRead && layoutRefusal.kind == PsdError::TruncatedImageData;
    if (!storedReadable && !storedMissing) {
        reason = layoutRefusal.Text();
        return nullptr;
    }
    const CColorMode& mode = *FindReadableColorMode(layout.colorMode);

    auto document = std::make_unique<CRenderedDocument>();
    CPreview preview;
    const bool layered = layout.layersLength > 0;
    const MergedImageFlag flag = layered ? ReadMergedImageFlag(file, layout) : MergedImageFlag::Absent;

    CPsdLayers layers;
    CPsdRefusal layerRefusal;
    auto readLayers = [&] {
        return ReadPsdLayerRecords(file, layout, layers, layerRefusal) && !layers.records.empty();
    };
    auto drawLayers = [&](CPreview& into) {
        if (!RenderLayerComposite(file, layout, mode, layers, previewWidth, previewHeight, into, layerRefusal))
            return false;
        document->fromLayers = true;
        for (std::size_t i = 0; i < layers.records.size(); ++i)
            for (const std::string& what : layers.records[i].skipped)
                document->skippedLayerFeatures.push_back("layer " + std::to_string(i) + " \"" +
                                                         layers.records[i].name + "\": " + what);
        return true;
    };

    bool rendered = false;
    if (storedMissing || flag == MergedImageFlag::Placeholder) {
        rendered = layered && readLayers() && drawLayers(preview);
        if (!rendered && storedMissing) {
            reason = layoutRefusal.Text();
            if (layerRefusal.Refused()) reason += ", and " + layerRefusal.Text();
            return nullptr;
        }
    }
    if (!rendered) {
        const bool mayBePlaceholder = layered && flag == MergedImageFlag::Absent;
        CPsdRefusal storedRefusal;
        if (!RenderStoredImage(file, layout, previewWidth, previewHeight, mayBePlaceholder, preview, storedRefusal)) {
            // A damaged merged image: the layers, when they are complete, say what it showed.
            if (!(layered && readLayers() && drawLayers(preview))) {
                reason = storedRefusal.Text();
                return nullptr;
            }
        } else if (preview.uniform && readLayers()) {
            CPreview fromLayers;
            if (drawLayers(fromLayers) && ShowsTheLayersInstead(preview, fromLayers, document->skippedLayerFeatures)) {
                preview = std::move(fromLayers);
            } else {
                document->fromLayers = false;
                document->skippedLayerFeatures.clear();
            }
        }
    }
    reason.clear();

    document->width = layout.width;
    document->height = layout.height;
    document->colorMode = layout.colorMode;
    document->modeName = mode.name;
    document->previewWidth = previewWidth;
    document->previewHeight = previewHeight;
    if (preview.planes == 3) {
        document->previewRgb = std::move(preview.samples);
    } else {
        document->previewRgb.reserve(preview.samples.size() * 3);
        for (std::uint8_t grey : preview.samples) document->previewRgb.insert(document->previewRgb.end(), 3, grey);
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

}  // namespace vantrel::studio::formats
