// Vector masks drawn as coverage, against areas worked out by hand.

#include <gtest/gtest.h>

#include <numeric>
#include <utility>
#include <vector>

#include "studio/render/VectorMaskCoverage.h"

namespace {

using vantrel::studio::psd::CPsdPathKnot;
using vantrel::studio::psd::CPsdSubpath;
using vantrel::studio::psd::CPsdVectorMask;
using vantrel::studio::psd::PathOperation;
using vantrel::studio::render::ApplyMaskDensity;
using vantrel::studio::render::CVectorMaskCoverage;

// A subpath of straight lines through points in pixels of a width x height canvas.
CPsdSubpath Polygon(const std::vector<std::pair<double, double>>& points, int width, int height,
                    PathOperation operation = PathOperation::Combine, bool closed = true)
{
    CPsdSubpath subpath;
    subpath.closed = closed;
    subpath.operation = operation;
    for (const auto& [x, y] : points) {
        CPsdPathKnot knot;
        for (int p = 0; p < 3; ++p) {
            knot.x[p] = x / width;
            knot.y[p] = y / height;
        }
        subpath.knots.push_back(knot);
    }
    return subpath;
}

std::vector<float> Cover(const CPsdVectorMask& mask, int width, int height)
{
    std::vector<float> out(static_cast<std::size_t>(width) * height);
    CVectorMaskCoverage(mask, width, height).CoverRows(0, height, out.data());
    return out;
}

TEST(VectorMaskCoverage, RectangleOnHalfPixelsHalfCoversItsEdgesAndQuarterCoversItsCorners)
{
    CPsdVectorMask mask;
    mask.subpaths.push_back(Polygon({{1.5, 1.5}, {4.5, 1.5}, {4.5, 3.5}, {1.5, 3.5}}, 6, 5));
    const auto cover = Cover(mask, 6, 5);
    const auto at = [&](int x, int y) { return cover[static_cast<std::size_t>(y) * 6 + x]; };
    EXPECT_FLOAT_EQ(at(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(at(1, 1), 0.25f);
    EXPECT_FLOAT_EQ(at(2, 1), 0.5f);
    EXPECT_FLOAT_EQ(at(1, 2), 0.5f);
    EXPECT_FLOAT_EQ(at(2, 2), 1.0f);
    EXPECT_FLOAT_EQ(at(3, 2), 1.0f);
    EXPECT_FLOAT_EQ(at(4, 2), 0.5f);
    EXPECT_FLOAT_EQ(at(4, 3), 0.25f);
    EXPECT_FLOAT_EQ(at(5, 2), 0.0f);
    EXPECT_NEAR(std::accumulate(cover.begin(), cover.end(), 0.0), 3.0 * 2.0, 1e-5);
}

TEST(VectorMaskCoverage, TriangleCoversItsAreaAndHalvesThePixelsItsSlopeCutsCornerToCorner)
{
    CPsdVectorMask mask;
    mask.subpaths.push_back(Polygon({{0, 0}, {8, 0}, {0, 8}}, 8, 8));
    const auto cover = Cover(mask, 8, 8);
    EXPECT_NEAR(std::accumulate(cover.begin(), cover.end(), 0.0), 32.0, 1e-4);
    EXPECT_FLOAT_EQ(cover[0], 1.0f);
    EXPECT_FLOAT_EQ(cover[4 * 8 + 3], 0.5f);  // x + y = 8 runs through its corners
    EXPECT_FLOAT_EQ(cover[4 * 8 + 4], 0.0f);
}

TEST(VectorMaskCoverage, AnOpenSubpathIsFilledAsIfClosed)
{
    CPsdVectorMask open, closed;
    open.subpaths.push_back(Polygon({{0, 0}, {8, 0}, {0, 8}}, 8, 8, PathOperation::Combine, false));
    closed.subpaths.push_back(Polygon({{0, 0}, {8, 0}, {0, 8}}, 8, 8));
    EXPECT_EQ(Cover(open, 8, 8), Cover(closed, 8, 8));
}

TEST(VectorMaskCoverage, InversionDensityAndASubtractedComponent)
{
    CPsdVectorMask mask;
    mask.subpaths.push_back(Polygon({{0, 0}, {4, 0}, {4, 4}, {0, 4}}, 4, 4));
    mask.subpaths.push_back(Polygon({{1, 1}, {3, 1}, {3, 3}, {1, 3}}, 4, 4, PathOperation::Subtract));
    auto cover = Cover(mask, 4, 4);
    EXPECT_FLOAT_EQ(cover[0], 1.0f);
    EXPECT_FLOAT_EQ(cover[1 * 4 + 1], 0.0f);  // the hole

    mask.inverted = true;
    cover = Cover(mask, 4, 4);
    EXPECT_FLOAT_EQ(cover[0], 0.0f);
    EXPECT_FLOAT_EQ(cover[1 * 4 + 1], 1.0f);

    // Density 51 of 255: what the mask hides shows at 1 - 0.2.
    mask.density = 51;
    cover = Cover(mask, 4, 4);
    EXPECT_FLOAT_EQ(cover[0], 0.8f);
    EXPECT_FLOAT_EQ(cover[1 * 4 + 1], 1.0f);
}

TEST(VectorMaskCoverage, ASubtractingFirstComponentTakesFromEverything)
{
    CPsdVectorMask mask;
    mask.subpaths.push_back(Polygon({{1, 1}, {3, 1}, {3, 3}, {1, 3}}, 4, 4, PathOperation::Subtract));
    const auto cover = Cover(mask, 4, 4);
    EXPECT_FLOAT_EQ(cover[0], 1.0f);
    EXPECT_FLOAT_EQ(cover[1 * 4 + 1], 0.0f);
}

TEST(VectorMaskCoverage, FeatherSpreadsTheEdgeAndKeepsTheArea)
{
    CPsdVectorMask sharp;
    sharp.subpaths.push_back(Polygon({{20, 20}, {36, 20}, {36, 36}, {20, 36}}, 56, 56));
    CPsdVectorMask soft = sharp;
    soft.feather = 2;
    const auto hard = Cover(sharp, 56, 56);
    const auto blurred = Cover(soft, 56, 56);
    EXPECT_NEAR(std::accumulate(blurred.begin(), blurred.end(), 0.0), 256.0, 1e-2);
    EXPECT_FLOAT_EQ(hard[20 * 56 + 19], 0.0f);
    EXPECT_GT(blurred[20 * 56 + 19], 0.1f);  // outside the square, within the feather
    EXPECT_LT(blurred[20 * 56 + 20], 0.5f);  // its corner
    EXPECT_GT(blurred[28 * 56 + 28], 0.95f);
    EXPECT_FLOAT_EQ(blurred[0], 0.0f);
}

TEST(VectorMaskCoverage, RowsAskedForInBandsMatchTheWholeCanvas)
{
    CPsdVectorMask mask;
    mask.feather = 1.5;
    mask.subpaths.push_back(Polygon({{3.2, 1.7}, {17.9, 6.1}, {9.4, 18.3}}, 20, 20));
    const auto whole = Cover(mask, 20, 20);
    for (bool kept : {false, true}) {
        CVectorMaskCoverage coverage(mask, 20, 20);
        if (kept) coverage.KeepBlocks();
        std::vector<float> band(3 * 20);
        for (int top = 0; top < 20; top += 3) {
            const int rows = std::min(3, 20 - top);
            coverage.CoverRows(top, rows, band.data());
            for (int i = 0; i < rows * 20; ++i)
                EXPECT_NEAR(band[static_cast<std::size_t>(i)], whole[static_cast<std::size_t>(top * 20 + i)], 1e-5)
                    << top << (kept ? " kept" : "");
        }
    }
}

TEST(VectorMaskCoverage, AStrokeInsideTheEdgeCoversTheBorderPixelsOverTheFill)
{
    CPsdVectorMask mask;
    mask.subpaths.push_back(Polygon({{1, 1}, {5, 1}, {5, 5}, {1, 5}}, 6, 6));
    vantrel::studio::psd::CPsdVectorStroke stroke;
    stroke.drawn = true;
    stroke.width = 1;
    stroke.alignment = vantrel::studio::psd::StrokeAlignment::Inside;
    std::vector<std::uint8_t> rows(36, 255);
    std::vector<float> share(36);
    CVectorMaskCoverage(mask, 6, 6).ScaleMaskRowsWithStroke(stroke, true, 0, 6, rows.data(), share.data());
    EXPECT_EQ(rows[0], 0);  // outside both
    EXPECT_EQ(rows[1 * 6 + 1], 255);
    EXPECT_FLOAT_EQ(share[1 * 6 + 1], 1.0f);  // a corner of the stroke
    EXPECT_FLOAT_EQ(share[1 * 6 + 3], 1.0f);  // its top side
    EXPECT_EQ(rows[2 * 6 + 2], 255);
    EXPECT_FLOAT_EQ(share[2 * 6 + 2], 0.0f);  // the fill within it

    // Without its fill, at half opacity: the stroke alone, half covering.
    stroke.opacity = 0.5;
    std::fill(rows.begin(), rows.end(), 255);
    CVectorMaskCoverage(mask, 6, 6).ScaleMaskRowsWithStroke(stroke, false, 0, 6, rows.data(), share.data());
    EXPECT_EQ(rows[1 * 6 + 3], 128);
    EXPECT_EQ(rows[2 * 6 + 2], 0);

    // An edge half a pixel into a pixel: all the path covers there is stroke, and no more
    // than the path covers shows.
    mask.subpaths = {Polygon({{1.5, 1.5}, {5, 1.5}, {5, 5}, {1.5, 5}}, 6, 6)};
    stroke.opacity = 1;
    std::fill(rows.begin(), rows.end(), 255);
    CVectorMaskCoverage(mask, 6, 6).ScaleMaskRowsWithStroke(stroke, true, 0, 6, rows.data(), share.data());
    EXPECT_EQ(rows[3 * 6 + 1], 128);
    EXPECT_FLOAT_EQ(share[3 * 6 + 1], 1.0f);
}

TEST(VectorMaskCoverage, UserMaskDensityLightensWhatTheMaskHides)
{
    std::vector<std::uint8_t> mask = {0, 255, 100};
    ApplyMaskDensity(mask.data(), mask.size(), 102);  // 40 %
    EXPECT_EQ(mask[0], 153);
    EXPECT_EQ(mask[1], 255);
    EXPECT_EQ(mask[2], 193);  // 255 - 0.4 * 155
}

}  // namespace
