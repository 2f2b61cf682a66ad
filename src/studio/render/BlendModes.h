#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::studio::render {

enum class BlendMode {
    PassThrough,  // groups only: the children blend with what lies below the group
    Normal, Dissolve,
    Darken, Multiply, ColorBurn, LinearBurn, DarkerColor,
    Lighten, Screen, ColorDodge, LinearDodge, LighterColor,
    Overlay, SoftLight, HardLight, VividLight, LinearLight, PinLight, HardMix,
    Difference, Exclusion, Subtract, Divide,
    Hue, Saturation, Color, Luminosity,
};

// The mode a layer record's four-character key names; known is false, and the mode normal,
// for a key the format does not define.
BlendMode BlendModeFromKey(std::uint32_t key, bool& known);

// The blended colour B(backdrop, source) of count pixels, planar, samples from 0 to 1 and
// colour not premultiplied. planeCount is 1 (grey), 3 (RGB) or 4 (stored CMYK inks, where 1
// is no ink). The modes that mix channels (hue, saturation, colour, luminosity) need three
// planes; with other counts they keep the backdrop (hue, saturation, colour) or take the
// source (luminosity). out may be the backdrop.
void BlendColours(BlendMode mode, int planeCount, const float* const* backdrop, const float* const* source,
                  float* const* out, std::size_t count);

// In the linear modes (linear burn, linear dodge, linear light) an editor applies a layer's
// fill opacity inside the blend: the source is faded towards the colour that leaves the
// backdrop as it is before the sum is clamped, so a faint layer still darkens or lightens by
// its faded amount where plain mixing would stop at the clamp. Returns that colour, or a
// negative value for the modes where fill opacity mixes like opacity.
float FillNeutral(BlendMode mode);

}  // namespace vantrel::studio::render
