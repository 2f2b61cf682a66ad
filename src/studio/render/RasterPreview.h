#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "studio/render/AreaScaler.h"
#include "studio/render/PlacedAreaScaler.h"
#include "studio/render/RenderedDocument.h"

namespace vantrel::studio::render {

// How a decoder hands over the pixels of a row: 8-bit samples, pixel after pixel.
enum class PixelLayout {
    Gray,
    GrayAlpha,     // grey, then alpha (0 transparent)
    Rgb,
    Rgba,
    Cmyk,          // inks: 0 is no ink
    InvertedCmyk,  // inks as Adobe stores them: 255 is no ink
};

int SamplesPerPixel(PixelLayout layout);

// How the stored raster turns to be shown, numbered as EXIF and TIFF number it: 1 as stored,
// 2 mirrored, 3 turned half round, 4 flipped, 5 transposed, 6 turned a quarter clockwise,
// 7 transversed, 8 turned a quarter anticlockwise.
bool IsOrientation(int orientation);

// The one path from a decoded raster to the document the studio shows: rows (or pieces of rows)
// of any pixel layout become the preview over white. Colour is turned to RGB and transparency
// composited over white pixel by pixel, before averaging, as a flattened document averages.
// The raster is averaged in its stored geometry and the small preview turned at the end:
// averaging commutes with mirroring and with swapping the axes, so the result is the oriented
// image averaged, while rows still arrive in the order the file stores them.
class CRasterPreview {
public:
    enum class Order {
        TopDown,   // whole rows from the top, through AddRow
        BottomUp,  // whole rows from the bottom, through AddRow (a BMP's order)
        AnyOrder,  // pieces of rows anywhere, through AddPixels
    };

    // rasterWidth x rasterHeight is what the decoder delivers (a scaled decoding's size, say);
    // previewWidth x previewHeight is the preview's size as shown, after orientation.
    CRasterPreview(int rasterWidth, int rasterHeight, PixelLayout layout, Order order, int orientation,
                   int previewWidth, int previewHeight);

    // The next whole row of rasterWidth pixels.
    void AddRow(const std::uint8_t* pixels);
    // count pixels of row y at columns x, x + step, ... (AnyOrder only).
    void AddPixels(int x, int y, int step, int count, const std::uint8_t* pixels);
    // A width x height rectangle at (x, y) all of one pixel (AnyOrder only). Its cost is the
    // preview's pixels it covers: a run or a blank area costs what its few bytes of data cost.
    void AddRectangle(int x, int y, int width, int height, const std::uint8_t* pixel);

    // The document as shown: width x height is the stored document's full size, which the
    // orientation may turn; colorMode and modeName are the mode an editor opens it in.
    std::unique_ptr<CRenderedDocument> Finish(int width, int height, int colorMode, std::string_view modeName) const;

private:
    // Turns count pixels into the scaler's planes.
    void ToPlanes(const std::uint8_t* pixels, std::size_t count);

    PixelLayout layout_;
    int orientation_;
    bool bottomUp_;
    int previewWidth_;
    int previewHeight_;
    int rasterPreviewWidth_;
    int rasterPreviewHeight_;
    std::size_t planeCount_;
    std::vector<std::uint8_t> planeBuffer_;
    const std::uint8_t* planes_[3] = {nullptr, nullptr, nullptr};
    std::optional<CAreaScaler> rowScaler_;
    std::optional<CPlacedAreaScaler> placedScaler_;
};

}  // namespace vantrel::studio::render
