#include "studio/render/SampleDepth.h"
#include "studio/render/Avx2Clones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace vantrel::studio::render {

namespace {

float ReadFloat(const std::uint8_t* bytes)
{
    const std::uint32_t bits = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                               (std::uint32_t{bytes[2]} << 8) | bytes[3];
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double DecodeSrgb(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

// The linear value at which the displayed level steps from k to k + 1: the curve's inverse at
// the midpoint between the two levels. A value's level is the number of steps at or below it.
const std::array<float, 255>& LevelSteps()
{
    static const std::array<float, 255> steps = [] {
        std::array<float, 255> table{};
        for (int k = 0; k < 255; ++k) table[static_cast<std::size_t>(k)] = static_cast<float>(DecodeSrgb((k + 0.5) / 255.0));
        return table;
    }();
    return steps;
}

}  // namespace

const std::array<float, 256>& LinearOfLevels()
{
    static const std::array<float, 256> levels = [] {
        std::array<float, 256> table{};
        for (int k = 0; k < 256; ++k) table[static_cast<std::size_t>(k)] = static_cast<float>(DecodeSrgb(k / 255.0));
        return table;
    }();
    return levels;
}

std::uint8_t EncodeLinearLevel(float linear)
{
    // NaN compares false everywhere and shows as black, like a value below 0.
    if (!(linear >= 0.0f)) return 0;
    const auto& steps = LevelSteps();
    return static_cast<std::uint8_t>(std::upper_bound(steps.begin(), steps.end(), linear) - steps.begin());
}

// Two and four times the samples per instruction where the processor has AVX2 or AVX-512.
VANTREL_AVX512_CLONES
void Reduce16To8(const std::uint8_t* __restrict samples, std::size_t count, std::uint8_t* __restrict out)
{
    // round(v * 255 / 65535) is round(v / 257), which equals ((v * 65281 >> 16) + 128) >> 8
    // for every 16-bit v (checked exhaustively in the tests): the high half of a 16-bit
    // product and a shift, which the full vectoriser this file is built with turns into
    // 16 or 32 samples per instruction.
    for (std::size_t x = 0; x < count; ++x) {
        std::uint16_t word;
        std::memcpy(&word, samples + 2 * x, sizeof word);
        const std::uint32_t value = static_cast<std::uint16_t>((word >> 8) | (word << 8));
        out[x] = static_cast<std::uint8_t>((((value * 65281u) >> 16) + 128u) >> 8);
    }
}

void EncodeLinearTo8(const std::uint8_t* samples, std::size_t count, std::uint8_t* out)
{
    for (std::size_t x = 0; x < count; ++x) out[x] = EncodeLinearLevel(ReadFloat(samples + 4 * x));
}

void ScaleCoverageTo8(const std::uint8_t* samples, std::size_t count, std::uint8_t* out)
{
    for (std::size_t x = 0; x < count; ++x) {
        const float value = ReadFloat(samples + 4 * x);
        const float clamped = value >= 1.0f ? 1.0f : value >= 0.0f ? value : 0.0f;  // NaN: 0
        out[x] = static_cast<std::uint8_t>(std::lround(clamped * 255.0f));
    }
}

}  // namespace vantrel::studio::render
