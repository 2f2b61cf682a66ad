#include "studio/formats/RasterLimits.h"

namespace vantrel::studio {

bool CheckRasterSize(std::uint64_t width, std::uint64_t height, std::uint64_t maxSide, std::string& reason)
{
    for (auto [name, side] : {std::pair{"width", width}, std::pair{"height", height}}) {
        if (side == 0) {
            reason = std::string(name) + " 0 is out of range";
            return false;
        }
        if (side > maxSide) {
            reason = std::string(name) + " " + std::to_string(side) + " exceeds " + std::to_string(maxSide);
            return false;
        }
    }
    if (width * height > kMaxRasterPixels) {
        reason = std::to_string(width) + " x " + std::to_string(height) + " pixels exceed the limit of " +
                 std::to_string(kMaxRasterPixels);
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

}  // namespace vantrel::studio
