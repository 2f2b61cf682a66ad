#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::studio::render {

// Scales planes of 8-bit samples to a preview size by exact area averaging: each preview
// sample is the coverage-weighted mean of the source samples under it, in integers and
// rounded to nearest, whether the image shrinks or grows on either axis.
//
// Source rows arrive one at a time, top to bottom. They are weighted into a row of column sums
// per plane; when a preview row is fully covered its columns are summed across and the row of
// sums starts again, so the scaler holds one row of sums per plane, never the image.
//
// In units where source pixel x spans [x*P, (x+1)*P) and preview column j spans [j*W, (j+1)*W)
// (W source width, P preview width), and likewise down, a preview sample is its weighted sum
// divided by W*H. A column sum stays below 255 * H, within 32 bits; a preview sum below
// 255 * 2^31 (the most pixels a document may have), within 64.
class CAreaScaler {
public:
    // Sides from 1 to 300000, at most 2^31 pixels; planeCount from 1 to 3.
    CAreaScaler(int sourceWidth, int sourceHeight, int previewWidth, int previewHeight, int planeCount);

    // Adds the next source row: one row of sourceWidth samples for each plane.
    void AddRow(const std::uint8_t* const* planes);

    bool IsComplete() const { return previewRow_ == previewHeight_; }
    // planeCount samples per preview pixel, pixel after pixel, row after row.
    const std::vector<std::uint8_t>& Preview() const { return preview_; }

private:
    // The source columns under one preview column: whole pixels weigh P, the first and last
    // may be cut by the column's edges.
    struct CColumnSpan {
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t firstWeight;
        std::uint32_t lastWeight;
    };

    void FoldCommonRows();
    void FinishPreviewRow();

    std::uint64_t sourceWidth_;
    std::uint64_t sourceHeight_;
    std::uint64_t previewWidth_;
    std::uint64_t previewHeight_;
    std::size_t planeCount_;
    std::vector<CColumnSpan> spans_;
    // Column sums, plane after plane, sourceWidth each. Most rows meet a preview row with the
    // same weight, min(sourceHeight, previewHeight) (one whole row inside the other); those are
    // added up unweighted in 16 bits, half the memory traffic of the weighted sums, and folded
    // into the weighted sums before the 16 bits could overflow and when the preview row ends.
    std::uint32_t commonWeight_;
    std::vector<std::uint16_t> commonSums_;
    unsigned commonRows_ = 0;
    std::vector<std::uint32_t> otherSums_;
    std::vector<std::uint8_t> preview_;
    std::uint64_t sourceRow_ = 0;
    std::uint64_t previewRow_ = 0;
};

}  // namespace vantrel::studio::render
