#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel::studio::psd {

// One point of a path: the control point before it, the anchor and the control point after
// it, as fractions of the canvas (y of its height, x of its width).
struct CPsdPathKnot {
    double y[3] = {0, 0, 0};  // preceding, anchor, leaving
    double x[3] = {0, 0, 0};
};

// How a shape component joins those before it, as the editor's path operations say.
enum class PathOperation { Exclude, Combine, Subtract, Intersect };

struct CPsdSubpath {
    bool closed = true;
    // Subpaths that continue the component before them (their operation word is -1) are
    // filled together with it.
    bool joinsPrevious = false;
    PathOperation operation = PathOperation::Combine;
    std::vector<CPsdPathKnot> knots;
};

// A layer's vector mask: the path and its flags, with the density and feather the layer's
// mask parameters give it.
struct CPsdVectorMask {
    bool readable = true;  // false when the block was damaged or over the limits
    bool inverted = false;
    bool notLinked = false;
    bool disabled = false;
    bool startsFilled = false;  // the initial fill rule: the fill starts with every pixel
    std::vector<CPsdSubpath> subpaths;
    std::uint8_t density = 255;
    double feather = 0;  // pixels
};

// A shape's stroke of one solid colour, from its vector stroke block.
enum class StrokeAlignment { Inside, Center, Outside };

struct CPsdVectorStroke {
    bool drawn = false;  // enabled, of a solid colour the studio reads
    double width = 1;    // pixels
    StrokeAlignment alignment = StrokeAlignment::Center;
    double opacity = 1;
    std::uint8_t rgb[3] = {0, 0, 0};
};

// Why a vector mask block was not taken.
enum class VectorMaskProblem { None, Truncated, UnknownRecord, TooManyKnots };

// Reads a 'vmsk' or 'vsms' block: version, flags, then 26-byte path records (the density and
// feather, which the mask record holds, are left as they are). Knots are
// counted against CPsdLayerLimits::kMaxPathKnots before they are stored; a subpath that claims
// more knots than follow is cut where the records end.
VectorMaskProblem ReadPsdVectorMask(const std::uint8_t* data, std::size_t size, CPsdVectorMask& mask);

}  // namespace vantrel::studio::psd
