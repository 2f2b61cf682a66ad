#pragma once

#include <cstddef>
#include <vector>

#include "studio/psd/FillDescriptors.h"

namespace vantrel::studio::render {

// The box a gradient spans, in canvas pixels: a fill layer's document, a shape's bounds, a
// layer's bounds for an effect.
struct CFillBox {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// Straight colour and opacity, 0..1 each.
struct CFillRgba {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;
};

// A gradient laid over a box, as the editor draws it: pixels are sampled at their top-left
// corners; a linear gradient runs through the box's centre along its angle, as long as the box's
// extent in that direction times the scale; radial, reflected and diamond ones reach their last
// stop at half that length, and an angle gradient turns clockwise from its angle. The centre
// and the ends lie on whole pixels. Between two
// stops the value moves half-way by the later stop's midpoint and follows the editor's smooth
// curve by the gradient's smoothness. Stops are looked up in a table built once, so a pixel
// costs a few multiplications.
class CGradientSampler {
public:
    CGradientSampler(const studio::psd::CGradientFill& gradient, const CFillBox& box);

    // Where along the gradient (0..1, reversal applied) the canvas point lies.
    double Position(double x, double y) const;
    CFillRgba At(double x, double y) const;

private:
    static constexpr int kSteps = 4096;

    studio::psd::GradientStyle style_;
    bool reverse_;
    double centreX_;  // whole pixels
    double centreY_;
    double endX_;  // from the centre to the end: radial, reflected and diamond gradients reach their last stop there
    double endY_;
    double startX_;  // a linear gradient runs from its start to the centre's end
    double startY_;
    double axisX_;
    double axisY_;
    double axisSquared_;
    double reachSquared_;
    double turn_;                   // the direction of the end, radians
    std::vector<CFillRgba> table_;  // kSteps + 1 entries over [0, 1]
};

// The colour and opacity of a gradient at a canvas point of a box.
CFillRgba GradientAt(const studio::psd::CGradientFill& gradient, const CFillBox& box, double x, double y);

// A fill colour in sRGB, 0..255 each.
void FillColourToRgb(const studio::psd::CFillColour& colour, double rgb[3]);

}  // namespace vantrel::studio::render
