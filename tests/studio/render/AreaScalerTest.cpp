#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "studio/render/AreaScaler.h"

namespace {

using vantrel::studio::render::CAreaScaler;

using Plane = std::vector<std::uint8_t>;

std::vector<std::uint8_t> Scale(const std::vector<Plane>& planes, int width, int height, int previewWidth,
                                int previewHeight)
{
    CAreaScaler scaler(width, height, previewWidth, previewHeight, static_cast<int>(planes.size()));
    std::vector<const std::uint8_t*> rows(planes.size());
    for (int y = 0; y < height; ++y) {
        EXPECT_FALSE(scaler.IsComplete()) << "complete before row " << y;
        for (std::size_t p = 0; p < planes.size(); ++p) rows[p] = planes[p].data() + static_cast<std::size_t>(y) * width;
        scaler.AddRow(rows.data());
    }
    EXPECT_TRUE(scaler.IsComplete());
    return scaler.Preview();
}

// The mean of the source area under a preview pixel, from real-valued pixel edges.
double ReferenceMean(const Plane& plane, int width, int height, int previewWidth, int previewHeight, int column,
                     int row)
{
    auto overlap = [](double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); };
    const double left = static_cast<double>(column) / previewWidth, right = static_cast<double>(column + 1) / previewWidth;
    const double top = static_cast<double>(row) / previewHeight, bottom = static_cast<double>(row + 1) / previewHeight;
    double sum = 0;
    double area = 0;
    for (int y = 0; y < height; ++y) {
        const double dy = overlap(static_cast<double>(y) / height, static_cast<double>(y + 1) / height, top, bottom);
        if (dy == 0) continue;
        for (int x = 0; x < width; ++x) {
            const double weight = dy * overlap(static_cast<double>(x) / width, static_cast<double>(x + 1) / width, left, right);
            sum += weight * plane[static_cast<std::size_t>(y) * width + x];
            area += weight;
        }
    }
    return sum / area;
}

Plane RandomPlane(std::mt19937& random, int width, int height)
{
    Plane plane(static_cast<std::size_t>(width) * height);
    for (auto& sample : plane) sample = static_cast<std::uint8_t>(random());
    return plane;
}

TEST(AreaScaler, MatchesTheRealValuedMeanRoundedToNearest)
{
    std::mt19937 random(11);
    const int sizes[][4] = {{7, 5, 3, 4},    {13, 11, 5, 7}, {3, 2, 8, 5},   {10, 10, 10, 10},
                            {29, 3, 4, 17},  {1, 1, 6, 4},   {17, 23, 1, 1}, {45, 36, 20, 16}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1], previewWidth = size[2], previewHeight = size[3];
        const std::vector<Plane> planes = {RandomPlane(random, width, height), RandomPlane(random, width, height)};
        const auto preview = Scale(planes, width, height, previewWidth, previewHeight);
        ASSERT_EQ(preview.size(), 2u * previewWidth * previewHeight);
        for (int row = 0; row < previewHeight; ++row)
            for (int column = 0; column < previewWidth; ++column)
                for (int p = 0; p < 2; ++p) {
                    const double mean = ReferenceMean(planes[p], width, height, previewWidth, previewHeight, column, row);
                    const int got = preview[(static_cast<std::size_t>(row) * previewWidth + column) * 2 + p];
                    // The nearest integer is within one half; 1e-9 absorbs the reference's rounding.
                    EXPECT_LE(std::abs(mean - got), 0.5 + 1e-9)
                        << width << "x" << height << " -> " << previewWidth << "x" << previewHeight << " at " << column
                        << "," << row << " plane " << p;
                }
    }
}

TEST(AreaScaler, GrowsAThreePixelImage)
{
    const auto preview = Scale({{0, 90, 255}}, 3, 1, 200, 160);
    // Column j spans [3j, 3j + 3) in units where source pixels are 200 wide: only columns 66
    // and 133 straddle a pixel edge, at 2:1 and 1:2.
    for (int y = 0; y < 160; ++y) {
        const std::uint8_t* row = preview.data() + static_cast<std::size_t>(y) * 200;
        EXPECT_EQ(row[0], 0);
        EXPECT_EQ(row[65], 0);
        EXPECT_EQ(row[66], 30);  // (0 * 2 + 90 * 1) / 3
        EXPECT_EQ(row[67], 90);
        EXPECT_EQ(row[132], 90);
        EXPECT_EQ(row[133], 200);  // (90 * 1 + 255 * 2) / 3
        EXPECT_EQ(row[134], 255);
        EXPECT_EQ(row[199], 255);
    }
}

TEST(AreaScaler, RoundsHalvesUpAndKeepsFlatImagesFlat)
{
    EXPECT_EQ(Scale({{0, 1}}, 2, 1, 1, 1), std::vector<std::uint8_t>{1});
    EXPECT_EQ(Scale({{254, 255, 255, 254}}, 2, 2, 1, 1), std::vector<std::uint8_t>{255});
    EXPECT_EQ(Scale({{0, 0, 0, 1}}, 2, 2, 1, 1), std::vector<std::uint8_t>{0});  // 0.25 rounds down
    const auto flat = Scale({Plane(37 * 23, 201)}, 37, 23, 200, 160);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](std::uint8_t v) { return v == 201; }));
}

TEST(AreaScaler, WideAndTallExtremesStayExact)
{
    // The longest side shrinking to one pixel, and one pixel growing to many.
    const int width = 30000;
    Plane plane(width);
    for (int x = 0; x < width; ++x) plane[x] = x < width / 3 ? 255 : 0;
    EXPECT_EQ(Scale({plane}, width, 1, 1, 1), std::vector<std::uint8_t>{85});
    EXPECT_EQ(Scale({plane}, width, 1, 3, 2), (std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0}));
    EXPECT_EQ(Scale({Plane{255}}, 1, 1, 1, 3), (std::vector<std::uint8_t>{255, 255, 255}));
    // Thousands of rows under one preview row overflow any narrow running sum.
    EXPECT_EQ(Scale({plane}, 1, width, 1, 1), std::vector<std::uint8_t>{85});
    EXPECT_EQ(Scale({plane}, 1, width, 1, 2), (std::vector<std::uint8_t>{170, 0}));
}

}  // namespace
