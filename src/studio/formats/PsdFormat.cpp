#include "studio/formats/FileKinds.h"

#include <cstring>

#include "studio/render/AreaScaler.h"
#include "studio/render/ColorConversion.h"
#include "studio/psd/ColorModes.h"
#include "studio/psd/DocumentFile.h"
#include "studio/psd/PsdChannelRows.h"
#include "studio/psd/PsdLayout.h"

namespace vantrel::studio {

namespace {

std::unique_ptr<CRenderedDocument> RenderPsd(CDocumentFile& file, int previewWidth, int previewHeight,
                                             std::string& reason)
{
    CPsdLayout layout;
    if (!ReadPsdLayout(file, layout, reason)) return nullptr;
    const CColorMode& mode = *FindReadableColorMode(layout.colorMode);

    CPsdChannelRows rows;
    if (!rows.Open(file, layout, mode.colourChannels, reason)) return nullptr;
    CRowConverter converter(mode, layout.width, layout.palette);
    CAreaScaler scaler(layout.width, layout.height, previewWidth, previewHeight, mode.outputPlanes);
    for (int y = 0; y < layout.height; ++y) {
        if (!rows.NextRow(reason)) return nullptr;
        scaler.AddRow(converter.Convert(rows.Rows()));
    }

    auto document = std::make_unique<CRenderedDocument>();
    document->width = layout.width;
    document->height = layout.height;
    document->colorMode = layout.colorMode;
    document->modeName = mode.name;
    document->previewWidth = previewWidth;
    document->previewHeight = previewHeight;
    const std::vector<std::uint8_t>& preview = scaler.Preview();
    if (mode.outputPlanes == 3) {
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

const CFileKind kPsdFileKind = {"PSD", LooksLikePsd, RenderPsd};

}  // namespace vantrel::studio
