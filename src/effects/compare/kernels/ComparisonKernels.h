#pragma once

// The inner loops of the image comparisons: the sums and counts that the similarity measures
// are made of. Every result is an exact integer, so the vectorised loops used where the
// processor has them and the portable loops give the same numbers; tests run both.

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/DisplayFormat.h"

namespace vantrel::effects::compare::kernels {

enum class KernelPath {
    Fastest,    // the widest vector instructions the processor has, plain loops where it has none
    Vector128,  // 128-bit vector instructions only, where the build has them
    Portable,   // plain loops, one pixel at a time
};

constexpr int kBinCount = 26;
using BinCounts = std::array<std::uint32_t, kBinCount>;

// Per channel (c0, c1, c2) over the pixel pairs of two runs, with d the difference of a pair:
// first and second add a^2 and b^2 where d is 11 or more and the brighter value squared where it
// is not; apart adds d^2 where d is 11 or more. In the one-byte format the byte is accumulated
// once and its sums are repeated for all three channels.
struct PixelPairSums {
    std::array<std::uint64_t, 3> first{};
    std::array<std::uint64_t, 3> second{};
    std::array<std::uint64_t, 3> apart{};
};
PixelPairSums SumPixelPairs(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                            std::size_t pixelCount, KernelPath path = KernelPath::Fastest);

// The channel values of each run counted into 26 bins per channel: values 0-9, 10-19, ...,
// 240-249, and 250-255.
struct ChannelBinCounts {
    std::array<BinCounts, 3> first{};
    std::array<BinCounts, 3> second{};
};
ChannelBinCounts CountChannelBins(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                                  std::size_t pixelCount, KernelPath path = KernelPath::Fastest);

// changed[k] = |changed[k] - initial[k]|, or 0 where that is below 3.
void SubtractInitial(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount,
                     KernelPath path = KernelPath::Fastest);

// Pixel k of the run becomes its grey value in byte k, in place.
void ConvertPixelsToGrey(std::uint8_t* bytes, platform::DisplayFormat format, std::size_t pixelCount,
                         KernelPath path = KernelPath::Fastest);

// Over pairs of grey values a (first) and b (second): where they differ by 11 or more, firstSum
// adds a^2 and secondSum b^2; where they do not and both are 10 or more, both add the brighter
// value squared.
struct GreyPairSums {
    std::uint64_t firstSum = 0;
    std::uint64_t secondSum = 0;
};
GreyPairSums SumGreyPairs(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                          KernelPath path = KernelPath::Fastest);

// The grey values of each run counted into the 26 bins.
struct GreyBinCounts {
    BinCounts first{};
    BinCounts second{};
};
GreyBinCounts CountGreyBins(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                            KernelPath path = KernelPath::Fastest);

// The grey value of one pixel's channels.
std::uint8_t GreyOf(unsigned c0, unsigned c1, unsigned c2);

}  // namespace vantrel::effects::compare::kernels
