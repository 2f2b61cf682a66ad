#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::studio::render {

// Scales planes of 8-bit samples to a preview size by exact area averaging, as CAreaScaler
// does and to the same values, but takes the source pixels in any order and any grouping:
// rows of an interlaced image pass by pass, tiles, pieces of rows. Each source pixel adds its
// samples, weighted by its overlap with each preview pixel it covers, to that preview pixel's
// sums, so the scaler holds a sum per preview sample (8 bytes each) and never the image.
//
// The units are CAreaScaler's: source pixel x spans [x*P, (x+1)*P) and preview column j spans
// [j*W, (j+1)*W) (W source width, P preview width), and likewise down; a preview sample is its
// weighted sum divided by W*H, rounded to nearest. A sum stays below 255 * W * H, within 64
// bits for sides up to 300000.
class CPlacedAreaScaler {
public:
    // Sides from 1 to 300000; planeCount from 1 to 3.
    CPlacedAreaScaler(int sourceWidth, int sourceHeight, int previewWidth, int previewHeight, int planeCount);

    // Adds count pixels of source row y, at columns x, x + step, x + 2 * step, ...: sample k of
    // plane p is planes[p][k]. Every pixel must lie inside the source; each should come once.
    void AddPixels(int x, int y, int step, int count, const std::uint8_t* const* planes);
    // Adds a rectangle of width x height source pixels of one colour, values[p] in plane p, at
    // (x, y). It costs the preview pixels it covers, not its own, so a decoder can hand over a
    // long run or a blank area for what its data cost.
    void AddRectangle(int x, int y, int width, int height, const std::uint8_t* values);

    // planeCount samples per preview pixel, pixel after pixel, row after row.
    std::vector<std::uint8_t> Preview() const;

private:
    // The preview columns (or rows) one source column (or row) covers: first, how many, and
    // the weights of the first and the last; those between weigh the source side.
    struct CCover {
        std::uint32_t first;
        std::uint32_t count;
        std::uint32_t firstWeight;
        std::uint32_t lastWeight;
    };
    static std::vector<CCover> Covers(std::uint64_t sourceSide, std::uint64_t previewSide);

    std::uint64_t sourceWidth_;
    std::uint64_t sourceHeight_;
    std::size_t previewWidth_;
    std::size_t previewHeight_;
    std::size_t planeCount_;
    std::vector<CCover> columns_;
    std::vector<CCover> rows_;
    std::vector<std::uint64_t> rowSums_;  // one source row's horizontal sums, per preview column
    std::vector<std::uint64_t> sums_;     // per preview sample
};

}  // namespace vantrel::studio::render
