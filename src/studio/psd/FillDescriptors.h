#pragma once

#include <string>
#include <vector>

#include "studio/psd/PsdLayout.h"

namespace vantrel::studio::psd {

struct CDescriptorValue;

enum class GradientStyle { Linear, Radial, Angle, Reflected, Diamond };

// A colour as a fill's descriptor gives it: RGB, or another space as a display colour.
struct CFillColour {
    bool rgb = true;
    double red = 0;  // 0..255 each
    double green = 0;
    double blue = 0;
    CDisplayColour other;  // when not rgb: HSB, CMYK, Lab or greyscale
};

// Locations run from 0 to 1 along the gradient; a stop's midpoint is where, between the stop
// before it and itself, the value is half-way (a fraction of that stretch).
struct CGradientColourStop {
    double location = 0;
    double midpoint = 0.5;
    CFillColour colour;
};

struct CGradientOpacityStop {
    double location = 0;
    double midpoint = 0.5;
    double opacity = 1;  // 0..1
};

// A gradient fill, or the gradient of an effect: its stops in order of location and how it
// lies over its box.
struct CGradientFill {
    GradientStyle style = GradientStyle::Linear;
    std::vector<CGradientColourStop> colours;
    std::vector<CGradientOpacityStop> opacities;
    double smoothness = 1;  // 0 linear between stops, 1 the editor's smooth curve
    bool reverse = false;
    double angle = 90;  // degrees, counter-clockwise from the right
    double scale = 1;
    bool alignWithLayer = true;
    double offsetX = 0;  // the centre's shift, as fractions of the box
    double offsetY = 0;
};

// A pattern fill: the pattern by identifier and how it is laid from the canvas origin.
struct CPatternFill {
    std::string patternId;
    std::string patternName;
    double scale = 1;
    double angle = 0;   // degrees, counter-clockwise
    double phaseX = 0;  // pixels
    double phaseY = 0;
};

// Reads a gradient fill's descriptor (a 'GdFl' block, or a gradient overlay's settings). A
// gradient the studio does not draw (noise, a colour it cannot convert, no stops) gives false
// and what is left out in notDrawn.
bool ReadGradientFill(const CDescriptorValue& descriptor, CGradientFill& gradient, std::string& notDrawn);

// Reads a pattern fill's descriptor (a 'PtFl' block); false with notDrawn when it names no pattern.
bool ReadPatternFill(const CDescriptorValue& descriptor, CPatternFill& pattern, std::string& notDrawn);

}  // namespace vantrel::studio::psd
