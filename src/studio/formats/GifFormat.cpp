// GIF files through giflib: the first frame, as an editor opens an animation, on the logical
// screen, with its transparent colour (and the screen outside the frame) shown white.
//
// giflib hands over one frame row at a time. An interlaced frame's rows, and a frame smaller
// than the screen, go to the preview where they lie (CRasterPreview's any-order scaler), so
// neither the frame nor the screen is ever held: memory is one frame row plus giflib's
// decompression tables, and the preview's sums.

#include "studio/formats/FileKinds.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "studio/io/BufferedReader.h"
#include "studio/formats/RasterErrors.h"
#include "studio/formats/RasterLimits.h"
#include "studio/render/RasterPreview.h"

using vantrel::studio::io::CBufferedReader;
using vantrel::studio::io::CDocumentFile;
using vantrel::studio::render::CRasterPreview;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::render::PixelLayout;

namespace vantrel::studio::formats {

namespace {

int ReadGifInput(GifFileType* gif, GifByteType* into, int count)
{
    auto* input = static_cast<CBufferedReader*>(gif->UserData);
    const auto wanted = static_cast<std::size_t>(std::max(count, 0));
    const auto available = static_cast<std::size_t>(std::min<std::uint64_t>(input->Left(), wanted));
    return input->Read(into, available) ? static_cast<int>(available) : 0;
}

CRasterRefusal GifRefusal(int error)
{
    const char* text = GifErrorString(error);
    if (!text) return CRasterRefusal::Of(RasterError::DamagedData);
    return CRasterRefusal::Of(RasterError::CodecMessage, OneLine(text));
}

struct CGifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

std::unique_ptr<CRenderedDocument> DecodeGif(CDocumentFile& file, int previewWidth, int previewHeight,
                                             CRasterRefusal& refusal)
{
    CBufferedReader input(file, 0);
    int error = 0;
    std::unique_ptr<GifFileType, CGifCloser> gif(DGifOpen(&input, ReadGifInput, &error));
    if (!gif) {
        refusal = GifRefusal(error);
        return nullptr;
    }

    // Extensions up to the first image: a graphic control block may name a transparent index.
    int transparent = NO_TRANSPARENT_COLOR;
    for (bool image = false; !image;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            refusal = GifRefusal(gif->Error);
            return nullptr;
        }
        switch (record) {
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) {
                refusal = GifRefusal(gif->Error);
                return nullptr;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) {
                    refusal = GifRefusal(gif->Error);
                    return nullptr;
                }
            }
            break;
        }
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
                refusal = GifRefusal(gif->Error);
                return nullptr;
            }
            image = true;
            break;
        case TERMINATE_RECORD_TYPE:
            refusal = CRasterRefusal::Of(RasterError::NoImage);
            return nullptr;
        default:
            refusal = CRasterRefusal::Of(RasterError::DamagedData);
            return nullptr;
        }
    }

    const GifImageDesc& frame = gif->Image;
    if (frame.Left < 0 || frame.Top < 0 || frame.Width <= 0 || frame.Height <= 0) {
        refusal = CRasterRefusal::Of(RasterError::FrameOfNoSize);
        return nullptr;
    }
    // The logical screen, grown to hold a frame that reaches past it.
    const std::uint64_t frameRight = std::uint64_t(frame.Left) + std::uint64_t(frame.Width);
    const std::uint64_t frameBottom = std::uint64_t(frame.Top) + std::uint64_t(frame.Height);
    const std::uint64_t screenWidth = std::max<std::uint64_t>(std::max(gif->SWidth, 0), frameRight);
    const std::uint64_t screenHeight = std::max<std::uint64_t>(std::max(gif->SHeight, 0), frameBottom);
    if (!CheckRasterSize(screenWidth, screenHeight, kMaxGifSide, refusal)) return nullptr;

    // Every index to a colour: the frame's table or the screen's; a file with neither is grey,
    // as its indices then are. Indices past the table are black, the transparent one white.
    std::uint8_t colours[256 * 3] = {};
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* colour = colours + 3 * i;
        if (!map) {
            colour[0] = colour[1] = colour[2] = static_cast<std::uint8_t>(i);
        } else if (i < map->ColorCount) {
            colour[0] = map->Colors[i].Red;
            colour[1] = map->Colors[i].Green;
            colour[2] = map->Colors[i].Blue;
        }
    }
    if (transparent >= 0 && transparent < 256) std::fill(colours + 3 * transparent, colours + 3 * transparent + 3, 255);

    const int width = static_cast<int>(screenWidth);
    const int height = static_cast<int>(screenHeight);
    std::vector<GifPixelType> indices(static_cast<std::size_t>(frame.Width));
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(frame.Width) * 3);
    const auto readFrameRow = [&]() {
        if (DGifGetLine(gif.get(), indices.data(), frame.Width) == GIF_ERROR) {
            refusal = GifRefusal(gif->Error);
            return false;
        }
        for (std::size_t x = 0; x < indices.size(); ++x) std::copy_n(colours + 3 * indices[x], 3, &pixels[3 * x]);
        return true;
    };

    // The common case: one frame over the whole screen, rows in order.
    if (!frame.Interlace && frame.Width == width && frame.Height == height) {
        CRasterPreview preview(width, height, PixelLayout::Rgb, CRasterPreview::Order::TopDown, 1, previewWidth,
                               previewHeight);
        for (int y = 0; y < height; ++y) {
            if (!readFrameRow()) return nullptr;
            preview.AddRow(pixels.data());
        }
        return preview.Finish(width, height, 2, "Indexed");
    }

    // Otherwise rows go where they lie: an interlaced frame stores every eighth row first, then
    // the rows between. The screen around the frame is white, added as four rectangles for the
    // cost of the preview pixels they cover, so a small frame on a vast screen costs its own
    // pixels only.
    CRasterPreview preview(width, height, PixelLayout::Rgb, CRasterPreview::Order::AnyOrder, 1, previewWidth,
                           previewHeight);
    static const std::uint8_t kWhite[3] = {255, 255, 255};
    const int right = frame.Left + frame.Width;
    const int bottom = frame.Top + frame.Height;
    preview.AddRectangle(0, 0, width, frame.Top, kWhite);
    preview.AddRectangle(0, bottom, width, height - bottom, kWhite);
    preview.AddRectangle(0, frame.Top, frame.Left, frame.Height, kWhite);
    preview.AddRectangle(right, frame.Top, width - right, frame.Height, kWhite);
    static const int kPassStart[4] = {0, 4, 2, 1};
    static const int kPassStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kPassStart[pass] : 0;
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int r = start; r < frame.Height; r += step) {
            if (!readFrameRow()) return nullptr;
            preview.AddPixels(frame.Left, frame.Top + r, 1, frame.Width, pixels.data());
        }
    }
    return preview.Finish(width, height, 2, "Indexed");
}

std::unique_ptr<CRenderedDocument> RenderGif(CDocumentFile& file, int previewWidth, int previewHeight,
                                             std::string& reason)
{
    return RenderRaster("GIF", DecodeGif, file, previewWidth, previewHeight, reason);
}

bool LooksLikeGif(const std::uint8_t* head, std::size_t size)
{
    return size >= 6 && (std::equal(head, head + 6, "GIF87a") || std::equal(head, head + 6, "GIF89a"));
}

}  // namespace

const CFileKind kGifFileKind = {"GIF", LooksLikeGif, RenderGif};

}  // namespace vantrel::studio::formats
