#include "studio/formats/RasterLimits.h"

namespace vantrel::studio::formats {

bool CheckRasterSize(std::uint64_t width, std::uint64_t height, std::uint64_t maxSide, CRasterRefusal& refusal)
{
    for (auto [name, side] : {std::pair{"width", width}, std::pair{"height", height}}) {
        if (side == 0) {
            refusal = CRasterRefusal::Of(RasterError::SideZero, name);
            return false;
        }
        if (side > maxSide) {
            refusal = CRasterRefusal::Of(RasterError::SideTooLong, name, side, maxSide);
            return false;
        }
    }
    if (width * height > kMaxRasterPixels) {
        refusal = CRasterRefusal::Of(RasterError::TooManyPixels, width, height, kMaxRasterPixels);
        return false;
    }
    return true;
}

std::string OneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
        if (space) {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else {
            line += c;
        }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace vantrel::studio::formats
