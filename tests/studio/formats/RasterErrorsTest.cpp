// How a codec-backed kind's decoder refusal reaches callers: the kind's name, then the message.

#include <gtest/gtest.h>

#include "studio/formats/RasterErrors.h"
#include "ScratchFile.h"

namespace {

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::formats::CRasterRefusal;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::formats::RasterError;
using vantrel::studio::formats::RenderRaster;

std::unique_ptr<CRenderedDocument> RefuseWithLibraryMessage(CDocumentFile&, int, int, CRasterRefusal& refusal)
{
    refusal = CRasterRefusal::Of(RasterError::CodecMessage, "Not a JPEG file: starts with 0x89 0x50");
    return nullptr;
}

std::unique_ptr<CRenderedDocument> RefuseSilently(CDocumentFile&, int, int, CRasterRefusal&) { return nullptr; }

std::unique_ptr<CRenderedDocument> Render(CDocumentFile&, int previewWidth, int, CRasterRefusal& refusal)
{
    refusal = CRasterRefusal::Of(RasterError::NoImage);  // left over from a step that recovered
    auto document = std::make_unique<CRenderedDocument>();
    document->previewWidth = previewWidth;
    return document;
}

TEST(RasterErrors, RefusalsReachCallersAsTheKindsNameAndTheMessage)
{
    vantrel::testing::CScratchFile scratch(std::vector<std::uint8_t>{1, 2, 3});
    CDocumentFile file(scratch.Path());
    std::string reason;
    EXPECT_EQ(RenderRaster("JPEG", RefuseWithLibraryMessage, file, 20, 16, reason), nullptr);
    EXPECT_EQ(reason, "JPEG: Not a JPEG file: starts with 0x89 0x50");
    EXPECT_EQ(RenderRaster("PNG", RefuseSilently, file, 20, 16, reason), nullptr);
    EXPECT_EQ(reason, "PNG: damaged data") << "a decoder that names no fault still refuses with one";
    reason = "kept";
    auto document = RenderRaster("GIF", Render, file, 20, 16, reason);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->previewWidth, 20);
    EXPECT_EQ(reason, "kept") << "a rendered document leaves the reason alone";
}

}  // namespace
