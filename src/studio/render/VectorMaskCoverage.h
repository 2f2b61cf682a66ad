#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "studio/psd/PsdVectorMask.h"

namespace vantrel::studio::render {

// Moves count colours of planes toward the stroke's colour by each pixel's share of it; grey
// documents take the stroke's luminance.
void MixStrokeColour(const studio::psd::CPsdVectorStroke& stroke, const float* share, float* const* colour, int planes,
                     std::size_t count);

// A user mask's density d in 0..255 keeps 255 - d (255 - m) / 255 of each mask value m.
void ApplyMaskDensity(std::uint8_t* mask, std::size_t count, std::uint8_t density);

// A vector mask drawn as coverage, a few rows at a time as the compositor's bands need them.
// The curves that reach the rows are flattened to lines for each call; each row is sampled on 16 sub-rows, and on each sub-row
// the covered spans are exact in x, so an edge crossing a pixel gives the fraction it covers.
// A shape component is filled by the non-zero rule over all its subpaths (open ones closed);
// components join by their operations (combine, subtract, intersect, exclude) as coverage,
// pixel by pixel, which is exact except where two components share a partly covered pixel.
// Inversion, feather (a Gaussian, as three box blurs) and density follow, in that order.
class CVectorMaskCoverage {
public:
    // The mask must outlive the object.
    CVectorMaskCoverage(const studio::psd::CPsdVectorMask& mask, int canvasWidth, int canvasHeight);
    ~CVectorMaskCoverage();

    // Coverage from 0 to 1 of canvas rows [firstRow, firstRow + rowCount), canvasWidth values
    // a row.
    void CoverRows(int firstRow, int rowCount, float* out);
    // Keeps the blurred rows of a feathered mask from call to call, in blocks of up to 16 MB,
    // so that the bands of a canvas do not each blur their own margins again.
    void KeepBlocks() { keepBlocks_ = true; }
    // Scales mask bytes (canvasWidth a row) by the coverage of the same rows.
    void ScaleMaskRows(int firstRow, int rowCount, std::uint8_t* rows);
    // The same for a shape with a stroke: the mask bytes scaled by the fill's coverage (none
    // when the fill is not shown) with the stroke's over it, and each pixel's share of the
    // stroke's colour in strokeShare. The stroke is a band about the path, with round joins.
    void ScaleMaskRowsWithStroke(const studio::psd::CPsdVectorStroke& stroke, bool fillShown, int firstRow,
                                 int rowCount, std::uint8_t* rows, float* strokeShare);
    // The feather, in pixels, after the limit on the rows one band may blur over.
    double Feather() const { return feather_; }

    // Sub-rows sampled in each row.
    static constexpr int kSubRows = 16;

private:
    struct CEdge {
        double top, bottom;  // y, top < bottom
        double x, slope;     // x at top, dx per dy
        int winding;         // +1 downwards, -1 upwards
    };
    struct CComponent {
        studio::psd::PathOperation operation;
        std::vector<CEdge> edges;      // by top
        std::size_t nextEdge = 0;      // first edge not yet active
        std::vector<std::size_t> active;
    };

    // The lines of the path that cross rows [top, bottom), by component; with reach, those of
    // the band reach either side of the path instead, as one component.
    void BuildEdges(double top, double bottom, double reach = 0);
    void Rasterize(int firstRow, int rowCount, int left, int width, float* out);
    // Rows [blockTop_, blockTop_ + blockRows_) with margins all round into scratch_, blurred.
    void BlurBlock(int margin);
    void CoverComponent(CComponent& component, int firstRow, int rowCount, int left, int width, float* out);

    const studio::psd::CPsdVectorMask& mask_;
    std::vector<CComponent> components_;
    float density_;
    double feather_ = 0;
    int boxRadius_ = 0;  // of each of the three box blurs
    int width_;
    int height_;
    bool keepBlocks_ = false;
    int blockTop_ = 0;
    int blockRows_ = 0;
    std::vector<float> scratch_;
    std::vector<float> component_;
    std::vector<float> rowDelta_;
    std::vector<float> coverage_;
    std::vector<std::pair<double, int>> crossings_;
};

}  // namespace vantrel::studio::render
