#include "studio/formats/RenderDocument.h"

#include <new>

#include "studio/formats/FileKinds.h"
#include "studio/formats/RasterLimits.h"
#include "studio/psd/PsdLayout.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::psd::CPsdLayout;
using vantrel::studio::render::CRenderedDocument;

namespace vantrel::studio::formats {

namespace {

bool PreviewSizeInRange(int previewWidth, int previewHeight, std::string& reason)
{
    if (previewWidth >= 1 && previewHeight >= 1 && previewWidth <= CPsdLayout::kMaxPsdSide &&
        previewHeight <= CPsdLayout::kMaxPsdSide)
        return true;
    reason = "preview size " + std::to_string(previewWidth) + " x " + std::to_string(previewHeight) +
             " is out of range";
    return false;
}

std::unique_ptr<CRenderedDocument> RenderOpened(CDocumentFile& file, int previewWidth, int previewHeight,
                                                std::string& reason)
{
    const CFileKind* kind = SniffFileKind(file);
    if (!kind) {
        reason = "not " + KnownFileKindsText();
        return nullptr;
    }
    try {
        auto document = kind->Render(file, previewWidth, previewHeight, reason);
        // Whatever a decoder's library said, the reason is one line.
        if (!document) reason = OneLine(reason);
        return document;
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return nullptr;
    }
}

}  // namespace

std::unique_ptr<CRenderedDocument> RenderDocument(const std::string& fileSystemPath, int previewWidth,
                                                  int previewHeight, std::string& reason)
{
    if (!PreviewSizeInRange(previewWidth, previewHeight, reason)) return nullptr;
    CDocumentFile file(fileSystemPath);
    if (!file.IsOpen()) {
        reason = "cannot open the file";
        return nullptr;
    }
    return RenderOpened(file, previewWidth, previewHeight, reason);
}

std::unique_ptr<CRenderedDocument> RenderDocumentBytes(std::span<const std::uint8_t> bytes, int previewWidth,
                                                       int previewHeight, std::string& reason)
{
    if (!PreviewSizeInRange(previewWidth, previewHeight, reason)) return nullptr;
    CDocumentFile file(bytes);
    return RenderOpened(file, previewWidth, previewHeight, reason);
}

}  // namespace vantrel::studio::formats
