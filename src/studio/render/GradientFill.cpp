#include "studio/render/GradientFill.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "studio/render/ColorConversion.h"

using vantrel::studio::psd::CGradientFill;
using vantrel::studio::psd::GradientStyle;

namespace vantrel::studio::render {

namespace {

// The editor's smooth curve between two stops: half a linear step and half smoothstep, which
// its own drawings of two-stop gradients follow to within a level.
double Smooth(double w, double smoothness)
{
    const double eased = w * w * (3.0 - 2.0 * w);
    return w + smoothness * 0.5 * (eased - w);
}

// How far from one stop to the next the value has moved at u (0..1 of the stretch), when it
// is half-way at midpoint.
double Progress(double u, double midpoint, double smoothness)
{
    double w = 0;
    if (midpoint <= 0.0)
        w = u > 0.0 ? 0.5 + 0.5 * u : 0.0;
    else if (midpoint >= 1.0)
        w = 0.5 * u;
    else
        w = u < midpoint ? 0.5 * u / midpoint : 0.5 + 0.5 * (u - midpoint) / (1.0 - midpoint);
    return Smooth(w, smoothness);
}

// Calls mix(index before, index after, progress) for the stretch of stops holding t; stops are
// in order of location.
template <typename Stops, typename Mix>
void BetweenStops(const Stops& stops, double t, double smoothness, Mix mix)
{
    if (t <= stops.front().location) return mix(0, 0, 0.0);
    if (t >= stops.back().location) return mix(stops.size() - 1, stops.size() - 1, 0.0);
    std::size_t after = 1;
    while (after + 1 < stops.size() && stops[after].location < t) ++after;
    const double from = stops[after - 1].location;
    const double span = stops[after].location - from;
    const double u = span > 0 ? (t - from) / span : 1.0;
    mix(after - 1, after, Progress(u, stops[after].midpoint, smoothness));
}

// The editor lays a gradient between whole pixels: the centre and the ends it finds from the
// box and the angle are taken down to pixel corners (on a 4 x 4 canvas a 30-degree gradient
// turns out at 45 degrees); the small margin keeps exact values like 16 from falling to 15.
double ToPixel(double value)
{
    return std::floor(value + 1e-9);
}

}  // namespace

void FillColourToRgb(const studio::psd::CFillColour& colour, double rgb[3])
{
    if (colour.rgb) {
        rgb[0] = colour.red;
        rgb[1] = colour.green;
        rgb[2] = colour.blue;
        return;
    }
    const auto converted = InkColour(colour.other, 3);
    for (int c = 0; c < 3; ++c) rgb[c] = converted[static_cast<std::size_t>(c)];
}

CGradientSampler::CGradientSampler(const CGradientFill& gradient, const CFillBox& box)
    : style_(gradient.style), reverse_(gradient.reverse)
{
    const double radians = gradient.angle * std::numbers::pi / 180.0;
    const double cos = std::cos(radians);
    const double sin = std::sin(radians);
    const double half = (box.width * std::abs(cos) + box.height * std::abs(sin)) * gradient.scale * 0.5;
    const double exactX = box.left + box.width * (0.5 + gradient.offsetX);
    const double exactY = box.top + box.height * (0.5 + gradient.offsetY);
    centreX_ = ToPixel(exactX);
    centreY_ = ToPixel(exactY);
    // From the centre to the end, y pointing down as in the canvas.
    endX_ = ToPixel(exactX + half * cos) - centreX_;
    endY_ = ToPixel(exactY - half * sin) - centreY_;
    startX_ = ToPixel(exactX - half * cos);
    startY_ = ToPixel(exactY + half * sin);
    axisX_ = centreX_ + endX_ - startX_;
    axisY_ = centreY_ + endY_ - startY_;
    axisSquared_ = std::max(axisX_ * axisX_ + axisY_ * axisY_, 1e-12);
    reachSquared_ = std::max(endX_ * endX_ + endY_ * endY_, 1e-12);
    turn_ = std::atan2(-endY_, endX_);

    std::vector<std::array<double, 3>> rgb(gradient.colours.size());
    for (std::size_t i = 0; i < rgb.size(); ++i) FillColourToRgb(gradient.colours[i].colour, rgb[i].data());
    table_.resize(kSteps + 1);
    for (int step = 0; step <= kSteps; ++step) {
        const double t = static_cast<double>(step) / kSteps;
        CFillRgba& out = table_[static_cast<std::size_t>(step)];
        if (!gradient.colours.empty()) {
            BetweenStops(gradient.colours, t, gradient.smoothness, [&](std::size_t a, std::size_t b, double w) {
                out.red = static_cast<float>((rgb[a][0] + (rgb[b][0] - rgb[a][0]) * w) / 255.0);
                out.green = static_cast<float>((rgb[a][1] + (rgb[b][1] - rgb[a][1]) * w) / 255.0);
                out.blue = static_cast<float>((rgb[a][2] + (rgb[b][2] - rgb[a][2]) * w) / 255.0);
            });
        }
        out.alpha = 1.0f;
        if (!gradient.opacities.empty()) {
            const auto& stops = gradient.opacities;
            BetweenStops(stops, t, gradient.smoothness, [&](std::size_t a, std::size_t b, double w) {
                out.alpha = static_cast<float>(stops[a].opacity + (stops[b].opacity - stops[a].opacity) * w);
            });
        }
    }
}

double CGradientSampler::Position(double x, double y) const
{
    const double dx = x - centreX_;
    const double dy = y - centreY_;
    // Along and across the centre's way to the end, in lengths of it.
    const double along = (dx * endX_ + dy * endY_) / reachSquared_;
    const double across = (dx * -endY_ + dy * endX_) / reachSquared_;
    double t = 0;
    switch (style_) {
    case GradientStyle::Linear:
        t = ((x - startX_) * axisX_ + (y - startY_) * axisY_) / axisSquared_;
        break;
    case GradientStyle::Reflected:
        t = std::abs(along);
        break;
    case GradientStyle::Radial:
        t = std::sqrt((dx * dx + dy * dy) / reachSquared_);
        break;
    case GradientStyle::Diamond:
        t = std::abs(along) + std::abs(across);
        break;
    case GradientStyle::Angle: {
        // Clockwise from the gradient's direction, with y pointing up as angles do.
        const double turned = (turn_ - std::atan2(-dy, dx)) / (2.0 * std::numbers::pi);
        t = turned - std::floor(turned);
        break;
    }
    }
    if (!std::isfinite(t)) t = 0;
    t = std::clamp(t, 0.0, 1.0);
    return reverse_ ? 1.0 - t : t;
}

CFillRgba CGradientSampler::At(double x, double y) const
{
    return table_[static_cast<std::size_t>(std::lround(Position(x, y) * kSteps))];
}

CFillRgba GradientAt(const CGradientFill& gradient, const CFillBox& box, double x, double y)
{
    return CGradientSampler(gradient, box).At(x, y);
}

}  // namespace vantrel::studio::render
