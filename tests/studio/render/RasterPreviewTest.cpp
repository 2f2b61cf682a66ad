#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "studio/render/AreaScaler.h"
#include "studio/render/PlacedAreaScaler.h"
#include "studio/render/RasterPreview.h"

namespace {

using vantrel::studio::render::CAreaScaler;
using vantrel::studio::render::PixelLayout;
using vantrel::studio::render::CPlacedAreaScaler;
using vantrel::studio::render::CRasterPreview;

std::vector<std::uint8_t> RandomPlane(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(width) * height);
    for (auto& sample : plane) sample = static_cast<std::uint8_t>(random());
    return plane;
}

// Pixels in any order and in any pieces average to exactly what rows in order do, whether
// the preview shrinks or grows the image.
TEST(PlacedAreaScaler, MatchesTheRowScalerExactly)
{
    const int width = 37;
    const int height = 23;
    const auto plane = RandomPlane(width, height, 7);
    for (auto [pw, ph] : {std::pair{5, 4}, {10, 7}, {37, 23}, {200, 160}, {1, 1}, {60, 9}}) {
        CAreaScaler rows(width, height, pw, ph, 1);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* planes[1] = {plane.data() + y * width};
            rows.AddRow(planes);
        }
        // Every other column of each row first, then the rest, rows bottom first.
        CPlacedAreaScaler placed(width, height, pw, ph, 1);
        std::vector<std::uint8_t> piece(width);
        for (int y = height - 1; y >= 0; --y)
            for (int start : {1, 0}) {
                int count = 0;
                for (int x = start; x < width; x += 2) piece[count++] = plane[y * width + x];
                const std::uint8_t* planes[1] = {piece.data()};
                placed.AddPixels(start, y, 2, count, planes);
            }
        EXPECT_EQ(placed.Preview(), rows.Preview()) << pw << " x " << ph;
    }
}

TEST(PlacedAreaScaler, ARectangleAddsWhatItsPixelsWould)
{
    const int width = 41;
    const int height = 29;
    for (auto [pw, ph] : {std::pair{7, 5}, {200, 160}, {41, 29}}) {
        CPlacedAreaScaler byPixels(width, height, pw, ph, 3);
        CPlacedAreaScaler byRectangles(width, height, pw, ph, 3);
        // Three rectangles of one colour each, covering the image.
        const struct {
            int x, y, w, h;
            std::uint8_t rgb[3];
        } rectangles[] = {{0, 0, 41, 10, {200, 10, 30}}, {0, 10, 13, 19, {7, 255, 99}}, {13, 10, 28, 19, {0, 1, 2}}};
        for (const auto& r : rectangles) {
            byRectangles.AddRectangle(r.x, r.y, r.w, r.h, r.rgb);
            std::vector<std::uint8_t> planes[3];
            for (int c = 0; c < 3; ++c) planes[c].assign(static_cast<std::size_t>(r.w), r.rgb[c]);
            const std::uint8_t* pointers[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
            for (int y = r.y; y < r.y + r.h; ++y) byPixels.AddPixels(r.x, y, 1, r.w, pointers);
        }
        EXPECT_EQ(byRectangles.Preview(), byPixels.Preview()) << pw << " x " << ph;
    }
}

// A 3 x 2 image of six distinct greys, shown at its own size under each orientation.
TEST(RasterPreview, TurnsThePreviewAsTheOrientationSays)
{
    const std::uint8_t stored[6] = {10, 20, 30, 40, 50, 60};  // rows "10 20 30" and "40 50 60"
    // The shown rows for each orientation, as EXIF defines them.
    const std::vector<std::vector<int>> shown = {
        {10, 20, 30, 40, 50, 60},  // 1
        {30, 20, 10, 60, 50, 40},  // 2 mirrored
        {60, 50, 40, 30, 20, 10},  // 3 turned half round
        {40, 50, 60, 10, 20, 30},  // 4 flipped
        {10, 40, 20, 50, 30, 60},  // 5 transposed
        {40, 10, 50, 20, 60, 30},  // 6 a quarter clockwise
        {60, 30, 50, 20, 40, 10},  // 7 transversed
        {30, 60, 20, 50, 10, 40},  // 8 a quarter anticlockwise
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool swap = orientation >= 5;
        const int pw = swap ? 2 : 3;
        const int ph = swap ? 3 : 2;
        for (auto order : {CRasterPreview::Order::TopDown, CRasterPreview::Order::AnyOrder}) {
            CRasterPreview preview(3, 2, PixelLayout::Gray, order, orientation, pw, ph);
            for (int y = 0; y < 2; ++y) {
                if (order == CRasterPreview::Order::TopDown)
                    preview.AddRow(stored + 3 * y);
                else
                    preview.AddPixels(0, y, 1, 3, stored + 3 * y);
            }
            const auto document = preview.Finish(300, 200, 1, "Grayscale");
            EXPECT_EQ(document->width, swap ? 200 : 300);
            EXPECT_EQ(document->height, swap ? 300 : 200);
            for (int i = 0; i < 6; ++i)
                EXPECT_EQ(document->previewRgb[3 * i], shown[orientation - 1][i]) << "orientation " << orientation;
        }
    }
}

TEST(RasterPreview, BottomUpRowsShowTheRightWayUp)
{
    const std::uint8_t rows[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    CRasterPreview preview(1, 3, PixelLayout::Rgb, CRasterPreview::Order::BottomUp, 1, 1, 3);
    for (const auto& row : rows) preview.AddRow(row);
    EXPECT_EQ(preview.Finish(1, 3, 3, "RGB")->previewRgb, (std::vector<std::uint8_t>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
}

TEST(RasterPreview, TransparencyShowsOverWhiteAndInksMultiply)
{
    const auto one = [](PixelLayout layout, std::vector<std::uint8_t> pixel) {
        CRasterPreview preview(1, 1, layout, CRasterPreview::Order::TopDown, 1, 1, 1);
        preview.AddRow(pixel.data());
        return preview.Finish(1, 1, 3, "RGB")->previewRgb;
    };
    using V = std::vector<std::uint8_t>;
    EXPECT_EQ(one(PixelLayout::Rgba, {0, 100, 255, 0}), (V{255, 255, 255}));
    EXPECT_EQ(one(PixelLayout::Rgba, {0, 100, 255, 255}), (V{0, 100, 255}));
    // 255 - round((255 - v) * a / 255): half of black over white is 127.5, which rounds to 127.
    EXPECT_EQ(one(PixelLayout::Rgba, {0, 100, 200, 128}), (V{127, 177, 227}));
    EXPECT_EQ(one(PixelLayout::GrayAlpha, {0, 64}), (V{191, 191, 191}));
    // (255 - C)(255 - K) / 255, and the same with inks stored inverted.
    EXPECT_EQ(one(PixelLayout::Cmyk, {0, 255, 128, 0}), (V{255, 0, 127}));
    EXPECT_EQ(one(PixelLayout::Cmyk, {0, 0, 0, 128}), (V{127, 127, 127}));
    EXPECT_EQ(one(PixelLayout::InvertedCmyk, {255, 0, 127, 255}), (V{255, 0, 127}));
    EXPECT_EQ(one(PixelLayout::InvertedCmyk, {200, 100, 50, 128}), (V{100, 50, 25}));
}

}  // namespace

namespace {

// The scaler's rounded division by the source's area holds for sums near its largest, where a
// quotient through a double could be one off.
TEST(AreaScaler, RoundsExactlyAtLargeSizes)
{
    const int width = 29989;
    const int height = 3;
    const auto plane = RandomPlane(width, height, 11);
    CAreaScaler scaler(width, height, 7, 1, 1);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* planes[1] = {plane.data() + static_cast<std::size_t>(y) * width};
        scaler.AddRow(planes);
    }
    // Column j covers source units [j * width, (j + 1) * width) where pixel x spans [7x, 7x + 7).
    for (int j = 0; j < 7; ++j) {
        std::uint64_t sum = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::int64_t start = std::max<std::int64_t>(7LL * x, std::int64_t{j} * width);
                const std::int64_t end = std::min<std::int64_t>(7LL * x + 7, std::int64_t{j + 1} * width);
                if (end > start) sum += static_cast<std::uint64_t>(end - start) * plane[static_cast<std::size_t>(y) * width + x];
            }
        const std::uint64_t total = std::uint64_t{width} * height;
        EXPECT_EQ(scaler.Preview()[static_cast<std::size_t>(j)], (sum + total / 2) / total) << j;
    }
}

}  // namespace

#include "studio/formats/RasterLimits.h"
#include "RefusalPrinting.h"

using vantrel::studio::render::CAreaScaler;
using vantrel::studio::render::CPlacedAreaScaler;
using vantrel::studio::render::CRasterPreview;
using vantrel::studio::render::PixelLayout;

namespace {

TEST(RasterLimits, SidesAndPixelsAreCheckedAndReasonsAreOneLine)
{
    using vantrel::studio::formats::CRasterRefusal;
    using vantrel::studio::formats::RasterError;
    CRasterRefusal refusal;
    EXPECT_TRUE(vantrel::studio::formats::CheckRasterSize(30000, 30000, 65535, refusal));
    EXPECT_FALSE(refusal.Refused());
    EXPECT_FALSE(vantrel::studio::formats::CheckRasterSize(30001, 30000, 65535, refusal));
    EXPECT_EQ(refusal, CRasterRefusal::Of(RasterError::TooManyPixels, 30001, 30000, 900000000));
    EXPECT_FALSE(vantrel::studio::formats::CheckRasterSize(0, 5, 65535, refusal));
    EXPECT_EQ(refusal, CRasterRefusal::Of(RasterError::SideZero, "width"));
    EXPECT_FALSE(vantrel::studio::formats::CheckRasterSize(5, 65536, 65535, refusal));
    EXPECT_EQ(refusal, CRasterRefusal::Of(RasterError::SideTooLong, "height", 65536, 65535));
    // libtiff, for one, breaks its messages over lines.
    EXPECT_EQ(vantrel::studio::formats::OneLine("TIFF: Tag InkNames:\n  Value 1 of\tNumberOfInks \r\n"),
              "TIFF: Tag InkNames: Value 1 of NumberOfInks");
}

}  // namespace
