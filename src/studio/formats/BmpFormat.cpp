// BMP files through the studio's own decoder (BmpDecoder): 1, 4, 8, 16, 24 and 32 bits,
// RLE4, RLE8 and bit fields, bottom-up and top-down. It needs no library, so every build of the
// studio, Windows's included, opens BMP files.

#include "studio/formats/FileKinds.h"

#include <vector>

#include "studio/formats/BmpDecoder.h"
#include "studio/formats/RasterLimits.h"
#include "studio/render/RasterPreview.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::render::CRasterPreview;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::render::PixelLayout;

namespace vantrel::studio::formats {

namespace {

// Run-length data, run by run, to the preview where it lies: rows count from the bottom.
class CPreviewRuns : public CBmpRunSink {
public:
    CPreviewRuns(CRasterPreview& preview, std::uint32_t height) : preview_(preview), height_(height) {}
    void Fill(std::uint32_t x, std::uint32_t row, std::uint32_t width, std::uint32_t rows, const std::uint8_t* rgb) override
    {
        preview_.AddRectangle(static_cast<int>(x), static_cast<int>(height_ - row - rows), static_cast<int>(width),
                              static_cast<int>(rows), rgb);
    }
    void Pixels(std::uint32_t x, std::uint32_t row, std::uint32_t count, const std::uint8_t* rgb) override
    {
        preview_.AddPixels(static_cast<int>(x), static_cast<int>(height_ - 1 - row), 1, static_cast<int>(count), rgb);
    }

private:
    CRasterPreview& preview_;
    std::uint32_t height_;
};

std::unique_ptr<CRenderedDocument> RenderBmp(CDocumentFile& file, int previewWidth, int previewHeight,
                                             std::string& reason)
{
    CBmpDecoder decoder(file);
    if (const BmpError error = decoder.ReadHeader(); error != BmpError::None) {
        reason = BmpErrorText(error);
        return nullptr;
    }
    const CBmpHeader& header = decoder.Header();
    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    // Palette images open as Indexed documents, the rest as RGB.
    const bool indexed = header.bitCount <= 8;
    const int mode = indexed ? 2 : 3;
    const char* modeName = indexed ? "Indexed" : "RGB";

    if (decoder.IsRunLength()) {
        CRasterPreview preview(width, height, PixelLayout::Rgb, CRasterPreview::Order::AnyOrder, 1, previewWidth,
                               previewHeight);
        CPreviewRuns runs(preview, header.height);
        if (const BmpError error = decoder.DecodeRunLength(runs); error != BmpError::None) {
            reason = BmpErrorText(error);
            return nullptr;
        }
        return preview.Finish(width, height, mode, modeName);
    }

    const int channels = decoder.OutputChannels();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * static_cast<std::size_t>(channels));
    // A bottom-up file's first row is the picture's last; the preview takes rows in file order.
    CRasterPreview preview(width, height, channels == 4 ? PixelLayout::Rgba : PixelLayout::Rgb,
                           header.topDown ? CRasterPreview::Order::TopDown : CRasterPreview::Order::BottomUp, 1,
                           previewWidth, previewHeight);
    for (int y = 0; y < height; ++y) {
        if (const BmpError error = decoder.NextRow(row.data()); error != BmpError::None) {
            reason = BmpErrorText(error);
            return nullptr;
        }
        preview.AddRow(row.data());
    }
    return preview.Finish(width, height, mode, modeName);
}

// "BM" and an information header of a known size: two letters alone would claim text files.
bool LooksLikeBmp(const std::uint8_t* head, std::size_t size)
{
    if (size < 18 || head[0] != 'B' || head[1] != 'M') return false;
    const std::uint32_t infoSize = head[14] | head[15] << 8 | head[16] << 16 | std::uint32_t{head[17]} << 24;
    for (std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        if (infoSize == known) return true;
    return false;
}

}  // namespace

const CFileKind kBmpFileKind = {"BMP", LooksLikeBmp, RenderBmp};

}  // namespace vantrel::studio::formats
