#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The compositor's per-pixel loops, over pointers that do not alias; colour is premultiplied
// by coverage, samples run from 0 to 1. The files that include this are built with the full
// vectoriser (see CMakeLists.txt), which turns each loop into 256-bit code in the AVX2 copies.
namespace vantrel::studio::render::kernels {

template <typename Op>
inline void Blocked(std::size_t count, Op op)
{
    // The kernels below never write what a later element reads; the pragma says so, since
    // the pointers' restrict qualifiers do not survive the lambda's captures.
#if defined(__clang__)
#pragma clang loop vectorize(assume_safety)
#else
#pragma GCC ivdep
#endif
    for (std::size_t x = 0; x < count; ++x) op(x);
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

// Whether no value passes a test, in chunks: a row that answers early stops early, and each
// chunk still vectorises (an or of flags does where a minimum of floats does not).
template <typename Test>
inline bool NoneInChunks(const float* values, std::size_t count, Test test)
{
    constexpr std::size_t kChunk = 64;
    for (std::size_t at = 0; at < count; at += kChunk) {
        const float* chunk = values + at;
        unsigned hit = 0;
        Blocked(std::min(kChunk, count - at), [&hit, chunk, test](std::size_t i) { hit |= test(chunk[i]) ? 1u : 0u; });
        if (hit != 0) return false;
    }
    return true;
}

// Whether every value is 1: a backdrop that covers everything needs no coverage arithmetic.
inline bool AllOnes(const float* values, std::size_t count)
{
    return NoneInChunks(values, count, [](float v) { return v < 1.0f; });
}

// Whether every value is 0: a source row that covers nothing changes nothing.
inline bool AllZeros(const float* values, std::size_t count)
{
    return NoneInChunks(values, count, [](float v) { return v > 0.0f; });
}

// out = alpha * colour: a source laid over nothing.
inline void Premultiply(float* __restrict out, const float* __restrict colour, const float* __restrict alpha,
                        std::size_t count)
{
    Blocked(count, [=](std::size_t i) { out[i] = alpha[i] * colour[i]; });
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

}  // namespace vantrel::studio::render::kernels
