#include "studio/render/PlacedAreaScaler.h"

#include <algorithm>

namespace vantrel::studio::render {

std::vector<CPlacedAreaScaler::CCover> CPlacedAreaScaler::Covers(std::uint64_t sourceSide, std::uint64_t previewSide)
{
    std::vector<CCover> covers;
    covers.reserve(sourceSide);
    for (std::uint64_t at = 0; at < sourceSide; ++at) {
        const std::uint64_t start = at * previewSide;
        const std::uint64_t end = start + previewSide;
        const std::uint64_t first = start / sourceSide;
        const std::uint64_t last = (end - 1) / sourceSide;
        const std::uint64_t firstWeight = std::min((first + 1) * sourceSide, end) - start;
        const std::uint64_t lastWeight = end - std::max(last * sourceSide, start);
        covers.push_back({static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last - first + 1),
                          static_cast<std::uint32_t>(firstWeight), static_cast<std::uint32_t>(lastWeight)});
    }
    return covers;
}

CPlacedAreaScaler::CPlacedAreaScaler(int sourceWidth, int sourceHeight, int previewWidth, int previewHeight,
                                     int planeCount)
    : sourceWidth_(static_cast<std::uint64_t>(sourceWidth)),
      sourceHeight_(static_cast<std::uint64_t>(sourceHeight)),
      previewWidth_(static_cast<std::size_t>(previewWidth)),
      previewHeight_(static_cast<std::size_t>(previewHeight)),
      planeCount_(static_cast<std::size_t>(planeCount)),
      columns_(Covers(sourceWidth_, previewWidth_)),
      rows_(Covers(sourceHeight_, previewHeight_)),
      rowSums_(previewWidth_ * planeCount_, 0),
      sums_(previewWidth_ * previewHeight_ * planeCount_, 0)
{
}

void CPlacedAreaScaler::AddPixels(int x, int y, int step, int count, const std::uint8_t* const* planes)
{
    if (count <= 0) return;
    // Across first, into one row of sums over the preview columns the pixels touch...
    const std::uint64_t whole = sourceWidth_;
    std::size_t lowest = previewWidth_;
    std::size_t highest = 0;
    for (int k = 0; k < count; ++k) {
        const CCover& cover = columns_[static_cast<std::size_t>(x + k * step)];
        lowest = std::min<std::size_t>(lowest, cover.first);
        highest = std::max<std::size_t>(highest, cover.first + cover.count - 1);
        for (std::size_t plane = 0; plane < planeCount_; ++plane) {
            const std::uint64_t value = planes[plane][k];
            std::uint64_t* sums = rowSums_.data() + plane;
            const std::size_t last = cover.first + cover.count - 1;
            sums[cover.first * planeCount_] += value * cover.firstWeight;
            for (std::size_t column = cover.first + 1; column < last; ++column)
                sums[column * planeCount_] += value * whole;
            if (last > cover.first) sums[last * planeCount_] += value * cover.lastWeight;
        }
    }
    // ...then down, into each preview row the source row covers.
    const CCover& cover = rows_[static_cast<std::size_t>(y)];
    const std::size_t begin = lowest * planeCount_;
    const std::size_t end = (highest + 1) * planeCount_;
    for (std::uint32_t i = 0; i < cover.count; ++i) {
        const std::uint64_t weight =
            i == 0 ? cover.firstWeight : i + 1 == cover.count ? cover.lastWeight : sourceHeight_;
        std::uint64_t* sums = sums_.data() + (cover.first + i) * previewWidth_ * planeCount_;
        for (std::size_t at = begin; at < end; ++at) sums[at] += weight * rowSums_[at];
    }
    std::fill(rowSums_.begin() + static_cast<std::ptrdiff_t>(begin), rowSums_.begin() + static_cast<std::ptrdiff_t>(end), 0);
}

void CPlacedAreaScaler::AddRectangle(int x, int y, int width, int height, const std::uint8_t* values)
{
    if (width <= 0 || height <= 0) return;
    // The rectangle's extent in units, and the preview columns and rows it meets; each preview
    // sample gains value * (horizontal overlap) * (vertical overlap), which is what adding its
    // pixels one by one would add.
    const std::uint64_t left = static_cast<std::uint64_t>(x) * previewWidth_;
    const std::uint64_t right = static_cast<std::uint64_t>(x + width) * previewWidth_;
    const std::uint64_t top = static_cast<std::uint64_t>(y) * previewHeight_;
    const std::uint64_t bottom = static_cast<std::uint64_t>(y + height) * previewHeight_;
    const std::size_t firstColumn = static_cast<std::size_t>(left / sourceWidth_);
    const std::size_t lastColumn = static_cast<std::size_t>((right - 1) / sourceWidth_);
    const std::size_t firstRow = static_cast<std::size_t>(top / sourceHeight_);
    const std::size_t lastRow = static_cast<std::size_t>((bottom - 1) / sourceHeight_);
    for (std::size_t row = firstRow; row <= lastRow; ++row) {
        const std::uint64_t down = std::min<std::uint64_t>(bottom, (row + 1) * sourceHeight_) -
                                   std::max<std::uint64_t>(top, row * sourceHeight_);
        std::uint64_t* sums = sums_.data() + row * previewWidth_ * planeCount_;
        for (std::size_t column = firstColumn; column <= lastColumn; ++column) {
            const std::uint64_t across = std::min<std::uint64_t>(right, (column + 1) * sourceWidth_) -
                                         std::max<std::uint64_t>(left, column * sourceWidth_);
            for (std::size_t plane = 0; plane < planeCount_; ++plane)
                sums[column * planeCount_ + plane] += values[plane] * across * down;
        }
    }
}

std::vector<std::uint8_t> CPlacedAreaScaler::Preview() const
{
    const std::uint64_t total = sourceWidth_ * sourceHeight_;
    std::vector<std::uint8_t> preview(sums_.size());
    for (std::size_t at = 0; at < sums_.size(); ++at)
        preview[at] = static_cast<std::uint8_t>((sums_[at] + total / 2) / total);
    return preview;
}

}  // namespace vantrel::studio::render
