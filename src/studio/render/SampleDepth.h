#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vantrel::studio::render {

// Reduces stored samples deeper than 8 bits to the 8 bits a display shows, one row at a time.

// Big-endian 16-bit samples: v * 255 / 65535, rounded half up.
void Reduce16To8(const std::uint8_t* samples, std::size_t count, std::uint8_t* out);

// Big-endian 32-bit floats holding linear light, as a 32-bit document's colour channels do:
// shown the way an editor shows them at exposure 0 and gamma 1, through the sRGB transfer
// curve, clamped to 0..1 and rounded to the nearest level.
void EncodeLinearTo8(const std::uint8_t* samples, std::size_t count, std::uint8_t* out);

// Big-endian 32-bit floats holding a coverage, as a 32-bit document's transparency does:
// v * 255, clamped and rounded to the nearest level.
void ScaleCoverageTo8(const std::uint8_t* samples, std::size_t count, std::uint8_t* out);

// The displayed 8-bit level of one linear value through the sRGB transfer curve, clamped.
std::uint8_t EncodeLinearLevel(float linear);

// The linear value each displayed level stands for: the sRGB curve's inverse at level / 255.
const std::array<float, 256>& LinearOfLevels();

}  // namespace vantrel::studio::render
