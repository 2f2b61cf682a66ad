// Any bytes as a vector mask block, drawn as coverage in bands of rows, and as a stroke. The
// first three bytes choose the canvas size, the band height, the feather, the density and the
// stroke; the rest is the block: version, flags and path records.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "studio/psd/PsdVectorMask.h"
#include "studio/render/VectorMaskCoverage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) return 0;
    const int width = 1 + data[0] % 48;
    const int height = 1 + data[1] % 48;
    const int bandRows = 1 + (data[2] & 0x0F);
    vantrel::studio::psd::CPsdVectorMask mask;
    mask.feather = (data[2] >> 4) * 0.75;
    mask.density = static_cast<std::uint8_t>(255 - (data[0] & 0xC0));
    if (vantrel::studio::psd::ReadPsdVectorMask(data + 3, size - 3, mask) != vantrel::studio::psd::VectorMaskProblem::None)
        return 0;
    vantrel::studio::render::CVectorMaskCoverage coverage(mask, width, height);
    std::vector<float> rows(static_cast<std::size_t>(bandRows) * static_cast<std::size_t>(width));
    std::vector<std::uint8_t> bytes(rows.size(), 255);
    std::vector<float> share(rows.size());
    // A stroke from the same bytes: its width and alignment.
    vantrel::studio::psd::CPsdVectorStroke stroke;
    stroke.drawn = true;
    stroke.width = (data[1] >> 6) * 1.5;
    stroke.alignment = static_cast<vantrel::studio::psd::StrokeAlignment>(data[2] % 3);
    stroke.opacity = 0.75;
    for (int top = 0; top < height; top += bandRows) {
        const int count = top + bandRows > height ? height - top : bandRows;
        coverage.CoverRows(top, count, rows.data());
        for (std::size_t i = 0; i < static_cast<std::size_t>(count) * static_cast<std::size_t>(width); ++i)
            if (!(rows[i] >= -1e-4f && rows[i] <= 1.0001f)) std::abort();
        coverage.ScaleMaskRows(top, count, bytes.data());
        coverage.ScaleMaskRowsWithStroke(stroke, (data[1] & 0x80) != 0, top, count, bytes.data(), share.data());
        for (std::size_t i = 0; i < static_cast<std::size_t>(count) * static_cast<std::size_t>(width); ++i)
            if (!(share[i] >= 0.0f && share[i] <= 1.0001f)) std::abort();
    }
    return 0;
}
