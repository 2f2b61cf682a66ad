#include "studio/render/RasterPreview.h"

#include <utility>

namespace vantrel::studio::render {

namespace {

// round(value / 255) for value in [0, 255 * 255], exactly.
inline std::uint8_t DivideBy255(unsigned value)
{
    value += 128;
    return static_cast<std::uint8_t>((value + (value >> 8)) >> 8);
}

// A sample over white: what the sample's alpha lets through, and white through the rest.
inline std::uint8_t OverWhite(unsigned sample, unsigned alpha)
{
    return static_cast<std::uint8_t>(255 - DivideBy255((255 - sample) * alpha));
}

bool IsGrey(PixelLayout layout) { return layout == PixelLayout::Gray || layout == PixelLayout::GrayAlpha; }

bool SwapsAxes(int orientation) { return orientation >= 5; }

}  // namespace

int SamplesPerPixel(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Gray: return 1;
    case PixelLayout::GrayAlpha: return 2;
    case PixelLayout::Rgb: return 3;
    case PixelLayout::Rgba:
    case PixelLayout::Cmyk:
    case PixelLayout::InvertedCmyk: return 4;
    }
    return 1;
}

bool IsOrientation(int orientation) { return orientation >= 1 && orientation <= 8; }

CRasterPreview::CRasterPreview(int rasterWidth, int rasterHeight, PixelLayout layout, Order order, int orientation,
                               int previewWidth, int previewHeight)
    : layout_(layout),
      orientation_(IsOrientation(orientation) ? orientation : 1),
      bottomUp_(order == Order::BottomUp),
      previewWidth_(previewWidth),
      previewHeight_(previewHeight),
      rasterPreviewWidth_(SwapsAxes(orientation_) ? previewHeight : previewWidth),
      rasterPreviewHeight_(SwapsAxes(orientation_) ? previewWidth : previewHeight),
      planeCount_(IsGrey(layout) ? 1 : 3)
{
    planeBuffer_.resize(planeCount_ * static_cast<std::size_t>(rasterWidth));
    for (std::size_t plane = 0; plane < planeCount_; ++plane)
        planes_[plane] = planeBuffer_.data() + plane * static_cast<std::size_t>(rasterWidth);
    const int planes = static_cast<int>(planeCount_);
    if (order == Order::AnyOrder)
        placedScaler_.emplace(rasterWidth, rasterHeight, rasterPreviewWidth_, rasterPreviewHeight_, planes);
    else
        rowScaler_.emplace(rasterWidth, rasterHeight, rasterPreviewWidth_, rasterPreviewHeight_, planes);
}

void CRasterPreview::ToPlanes(const std::uint8_t* pixels, std::size_t count)
{
    const std::size_t planeSize = planeBuffer_.size() / planeCount_;
    std::uint8_t* const out0 = planeBuffer_.data();
    std::uint8_t* const out1 = out0 + planeSize;
    std::uint8_t* const out2 = out1 + planeSize;
    const std::uint8_t* p = pixels;
    switch (layout_) {
    case PixelLayout::Gray:
        std::copy(p, p + count, out0);
        break;
    case PixelLayout::GrayAlpha:
        for (std::size_t x = 0; x < count; ++x, p += 2) out0[x] = OverWhite(p[0], p[1]);
        break;
    case PixelLayout::Rgb:
        for (std::size_t x = 0; x < count; ++x, p += 3) {
            out0[x] = p[0];
            out1[x] = p[1];
            out2[x] = p[2];
        }
        break;
    case PixelLayout::Rgba:
        for (std::size_t x = 0; x < count; ++x, p += 4) {
            out0[x] = OverWhite(p[0], p[3]);
            out1[x] = OverWhite(p[1], p[3]);
            out2[x] = OverWhite(p[2], p[3]);
        }
        break;
    case PixelLayout::Cmyk:
        // Each primary is what its ink and the black let through: R = (255 - C)(255 - K) / 255.
        for (std::size_t x = 0; x < count; ++x, p += 4) {
            const unsigned black = 255u - p[3];
            out0[x] = DivideBy255((255u - p[0]) * black);
            out1[x] = DivideBy255((255u - p[1]) * black);
            out2[x] = DivideBy255((255u - p[2]) * black);
        }
        break;
    case PixelLayout::InvertedCmyk:
        for (std::size_t x = 0; x < count; ++x, p += 4) {
            out0[x] = DivideBy255(unsigned{p[0]} * p[3]);
            out1[x] = DivideBy255(unsigned{p[1]} * p[3]);
            out2[x] = DivideBy255(unsigned{p[2]} * p[3]);
        }
        break;
    }
}

void CRasterPreview::AddRow(const std::uint8_t* pixels)
{
    ToPlanes(pixels, planeBuffer_.size() / planeCount_);
    rowScaler_->AddRow(planes_);
}

void CRasterPreview::AddPixels(int x, int y, int step, int count, const std::uint8_t* pixels)
{
    // Pieces of rows are never longer than a row, and the plane buffer holds one.
    ToPlanes(pixels, static_cast<std::size_t>(count));
    placedScaler_->AddPixels(x, y, step, count, planes_);
}

void CRasterPreview::AddRectangle(int x, int y, int width, int height, const std::uint8_t* pixel)
{
    ToPlanes(pixel, 1);
    const std::size_t planeSize = planeBuffer_.size() / planeCount_;
    const std::uint8_t values[3] = {planeBuffer_[0], planeBuffer_[planeCount_ == 3 ? planeSize : 0],
                                    planeBuffer_[planeCount_ == 3 ? 2 * planeSize : 0]};
    placedScaler_->AddRectangle(x, y, width, height, values);
}

std::unique_ptr<CRenderedDocument> CRasterPreview::Finish(int width, int height, int colorMode,
                                                          std::string_view modeName) const
{
    const std::vector<std::uint8_t> raster = rowScaler_ ? rowScaler_->Preview() : placedScaler_->Preview();
    // A BMP's bottom row came first: its rows were averaged upside down.
    const bool flipRaster = bottomUp_;
    auto document = std::make_unique<CRenderedDocument>();
    const bool swap = SwapsAxes(orientation_);
    document->width = swap ? height : width;
    document->height = swap ? width : height;
    document->colorMode = colorMode;
    document->modeName = std::string(modeName);
    document->previewWidth = previewWidth_;
    document->previewHeight = previewHeight_;
    document->previewRgb.resize(static_cast<std::size_t>(previewWidth_) * previewHeight_ * 3);

    const int rw = rasterPreviewWidth_;
    const int rh = rasterPreviewHeight_;
    std::uint8_t* out = document->previewRgb.data();
    for (int y = 0; y < previewHeight_; ++y) {
        for (int x = 0; x < previewWidth_; ++x, out += 3) {
            // The raster preview's pixel that shows at (x, y).
            int sx = x;
            int sy = y;
            switch (orientation_) {
            case 2: sx = rw - 1 - x; break;
            case 3: sx = rw - 1 - x; sy = rh - 1 - y; break;
            case 4: sy = rh - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = rh - 1 - x; break;
            case 7: sx = rw - 1 - y; sy = rh - 1 - x; break;
            case 8: sx = rw - 1 - y; sy = x; break;
            default: break;
            }
            if (flipRaster) sy = rh - 1 - sy;
            const std::uint8_t* in = raster.data() + (static_cast<std::size_t>(sy) * rw + sx) * planeCount_;
            if (planeCount_ == 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            } else {
                out[0] = out[1] = out[2] = in[0];
            }
        }
    }
    return document;
}

}  // namespace vantrel::studio::render
