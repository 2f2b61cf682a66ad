#include "studio/render/RenderDocument.h"

#include <new>

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

}  // namespace

std::unique_ptr<CRenderedDocument> RenderDocument(const std::string& fileSystemPath, int previewWidth,
                                                  int previewHeight, std::string& reason)
{
    if (previewWidth < 1 || previewHeight < 1 || previewWidth > CPsdLayout::kMaxSide ||
        previewHeight > CPsdLayout::kMaxSide) {
        reason = "preview size " + std::to_string(previewWidth) + " x " + std::to_string(previewHeight) +
                 " is out of range";
        return nullptr;
    }
    CDocumentFile file(fileSystemPath);
    if (!file.IsOpen()) {
        reason = "cannot open the file";
        return nullptr;
    }
    try {
        return RenderPsd(file, previewWidth, previewHeight, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return nullptr;
    }
}

}  // namespace vantrel::studio
