#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel::studio::render {

// Converts a document's colours through its embedded ICC profile to sRGB, as an editor's
// colour-managed window shows them: relative colorimetric intent with black-point
// compensation, an editor's default for display, which maps the profile's white to the
// display's white (paper white shows white) and its black to the display's black (the darkest
// ink shows black rather than a washed-out grey). Built with LittleCMS; a build without it
// has no transforms and documents show as if they had no profile.
class CIccTransform {
public:
    // The colour spaces of the samples converted: PSD colour-mode codes.
    enum class Input { Gray = 1, Rgb = 3, Cmyk = 4, Lab = 9 };

    // A transform for 8-bit samples of that input from the profile to sRGB; null when the
    // build has no colour management, the profile is damaged or of another colour space, or
    // the transform would change no colour (a profile that is sRGB itself).
    static std::unique_ptr<CIccTransform> Create(const std::vector<std::uint8_t>& profile, Input input);

    virtual ~CIccTransform() = default;

    // Converts count pixels given as one plane per input channel (CMYK as stored in a
    // document: 255 is no ink; Lab as L * 255 / 100, a + 128, b + 128) into three planes of
    // red, green and blue, each count long, one after another at rgb.
    virtual void Convert(const std::uint8_t* const* planes, std::size_t count, std::uint8_t* rgb) = 0;

    // Whether this build can convert through profiles at all.
    static bool Available();
};

}  // namespace vantrel::studio::render
