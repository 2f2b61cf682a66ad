#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The compositor's per-pixel loops. Each runs in fixed blocks of 16 over pointers that do not
// alias, which the compiler turns into vector code at any optimisation level that vectorises
// at all; colour is premultiplied by coverage, samples run from 0 to 1.
namespace vantrel::studio::kernels {

constexpr std::size_t kBlock = 16;

template <typename Op>
inline void Blocked(std::size_t count, Op op)
{
    std::size_t x = 0;
    // The kernels below never write what a later element reads; the pragma says so, since
    // the pointers' restrict qualifiers do not survive the lambda's captures.
    for (; x + kBlock <= count; x += kBlock)
#if defined(__clang__)
#pragma clang loop vectorize(assume_safety)
#else
#pragma GCC ivdep
#endif
        for (std::size_t k = 0; k < kBlock; ++k) op(x + k);
    for (; x < count; ++x) op(x);
}

// out = in * factor
inline void ToUnit(float* __restrict out, const std::uint8_t* __restrict in, float factor, std::size_t count)
{
    Blocked(count, [=](std::size_t i) { out[i] = in[i] * factor; });
}

// values *= bytes * factor
inline void ScaleByBytes(float* __restrict values, const std::uint8_t* __restrict bytes, float factor, std::size_t count)
{
    Blocked(count, [=](std::size_t i) { values[i] *= bytes[i] * factor; });
}

// values *= by * factor
inline void ScaleBy(float* __restrict values, const float* __restrict by, float factor, std::size_t count)
{
    Blocked(count, [=](std::size_t i) { values[i] *= by[i] * factor; });
}

// Straight colour from premultiplied; where nothing covers, colour is 0 as it is premultiplied.
inline void Unpremultiply(float* __restrict out, const float* __restrict colour, const float* __restrict alpha,
                          std::size_t count)
{
    Blocked(count, [=](std::size_t i) { out[i] = std::min(1.0f, colour[i] / std::max(alpha[i], 1e-30f)); });
}

// Whether every value is 1: a backdrop that covers everything needs no coverage arithmetic.
inline bool AllOnes(const float* __restrict values, std::size_t count)
{
    unsigned below = 0;  // an or of flags vectorises where a minimum of floats does not
    Blocked(count, [&below, values](std::size_t i) { below |= values[i] < 1.0f ? 1u : 0u; });
    return below == 0;
}

// Whether every value is 0: a source row that covers nothing changes nothing.
inline bool AllZeros(const float* __restrict values, std::size_t count)
{
    unsigned above = 0;
    Blocked(count, [&above, values](std::size_t i) { above |= values[i] > 0.0f ? 1u : 0u; });
    return above == 0;
}

// back = alpha * colour + (1 - alpha) * back
inline void SourceOver(float* __restrict back, const float* __restrict colour, const float* __restrict alpha,
                       std::size_t count)
{
    Blocked(count, [=](std::size_t i) { back[i] = alpha[i] * colour[i] + (1.0f - alpha[i]) * back[i]; });
}

// The source mixed with its blend where the backdrop covers, then laid over the backdrop:
// back = alpha * ((1 - ab) * colour + ab * blended) + (1 - alpha) * back
inline void SourceOverBlended(float* __restrict back, const float* __restrict backAlpha,
                              const float* __restrict colour, const float* __restrict blended,
                              const float* __restrict alpha, std::size_t count)
{
    Blocked(count, [=](std::size_t i) {
        const float mixed = (1.0f - backAlpha[i]) * colour[i] + backAlpha[i] * blended[i];
        back[i] = alpha[i] * mixed + (1.0f - alpha[i]) * back[i];
    });
}

// backAlpha = alpha + backAlpha * (1 - alpha)
inline void AlphaUnion(float* __restrict backAlpha, const float* __restrict alpha, std::size_t count)
{
    Blocked(count, [=](std::size_t i) { backAlpha[i] = alpha[i] + backAlpha[i] * (1.0f - alpha[i]); });
}

// back += (to - back) * k, with k scaled by a mask row when there is one.
inline void FadeTowards(float* __restrict back, const float* __restrict to, float k,
                        const std::uint8_t* __restrict mask, std::size_t count)
{
    if (mask == nullptr) {
        Blocked(count, [=](std::size_t i) { back[i] += (to[i] - back[i]) * k; });
        return;
    }
    const float perLevel = k / 255.0f;
    Blocked(count, [=](std::size_t i) { back[i] += (to[i] - back[i]) * (mask[i] * perLevel); });
}

// Premultiplied colour over white, rounded to 8 bits.
inline void OverWhite(std::uint8_t* __restrict out, const float* __restrict colour, const float* __restrict alpha,
                      std::size_t count)
{
    Blocked(count, [=](std::size_t i) {
        const float v = (colour[i] + (1.0f - alpha[i])) * 255.0f + 0.5f;
        out[i] = static_cast<std::uint8_t>(static_cast<int>(std::min(255.0f, std::max(0.0f, v))));
    });
}

}  // namespace vantrel::studio::kernels
