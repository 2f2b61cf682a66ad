#include "studio/render/PatternFill.h"

#include <cmath>
#include <numbers>

using vantrel::studio::psd::CPatternFill;
using vantrel::studio::psd::CPsdPattern;

namespace vantrel::studio::render {

namespace {

// value modulo size, in [0, size), for negative values too.
std::size_t Wrap(std::int64_t value, int size)
{
    const std::int64_t r = value % size;
    return static_cast<std::size_t>(r < 0 ? r + size : r);
}

}  // namespace

CPatternSampler::CPatternSampler(const CPsdPattern& pattern, const CPatternFill& fill)
    : pattern_(pattern), phaseX_(fill.phaseX), phaseY_(fill.phaseY), inverseScale_(1.0 / fill.scale)
{
    const double radians = fill.angle * std::numbers::pi / 180.0;
    cos_ = std::cos(radians);
    sin_ = std::sin(radians);
    plain_ = fill.scale == 1.0 && std::fmod(fill.angle, 360.0) == 0.0 && phaseX_ == std::floor(phaseX_) &&
             phaseY_ == std::floor(phaseY_);
}

CFillRgba CPatternSampler::At(int x, int y) const
{
    std::int64_t column = 0;
    std::int64_t row = 0;
    if (plain_) {
        column = x - static_cast<std::int64_t>(phaseX_);
        row = y - static_cast<std::int64_t>(phaseY_);
    } else {
        // Back from the canvas into the pattern: undo the phase, the turn, then the scale.
        const double u = x - phaseX_;
        const double v = y - phaseY_;
        column = static_cast<std::int64_t>(std::floor((u * cos_ - v * sin_) * inverseScale_));
        row = static_cast<std::int64_t>(std::floor((u * sin_ + v * cos_) * inverseScale_));
    }
    const std::size_t at =
        (Wrap(row, pattern_.height) * static_cast<std::size_t>(pattern_.width) + Wrap(column, pattern_.width)) * 4;
    const std::uint8_t* pixel = pattern_.rgba.data() + at;
    constexpr float kByte = 1.0f / 255.0f;
    return {pixel[0] * kByte, pixel[1] * kByte, pixel[2] * kByte, pixel[3] * kByte};
}

}  // namespace vantrel::studio::render
