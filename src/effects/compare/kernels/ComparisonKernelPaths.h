#pragma once

// The loops behind ComparisonKernels.h, one file per instruction set, and what the 256-bit
// loops share with the 128-bit ones. ComparisonKernels.cpp chooses among them: the vector
// loops take what they can from the start of a run and say where they stopped, and the
// portable loops finish it.

#include <cstddef>
#include <cstdint>

#include "effects/compare/kernels/ComparisonKernels.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VANTREL_KERNELS_SSE2 1
#include <emmintrin.h>
// 256-bit loops for processors that have them, chosen when the program runs; the build itself
// assumes no more than SSE2.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define VANTREL_KERNELS_AVX2 1
#endif
#endif

namespace vantrel::effects::compare::kernels::detail {

// ---- portable: pixels (or bytes) begin to end, added to what the vector loops left ----

// In the one-byte format the sums and counts of channel 0 then stand for all three.
void SumPixelPairsPortable(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                           std::size_t begin, std::size_t end, PixelPairSums& sums);
void CountChannelBinsPortable(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                              std::size_t begin, std::size_t end, ChannelBinCounts& counts);
void SubtractInitialPortable(std::uint8_t* changed, const std::uint8_t* initial, std::size_t begin,
                             std::size_t end);
void ConvertPixelsToGreyPortable(std::uint8_t* bytes, platform::DisplayFormat format, std::size_t begin, std::size_t end);
void SumGreyPairsPortable(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                          std::size_t end, GreyPairSums& sums);
void CountGreyBinsPortable(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                           std::size_t end, GreyBinCounts& counts);

#ifdef VANTREL_KERNELS_SSE2

// ---- 128-bit: from pixel (or byte) begin on; each returns where it stopped ----

std::size_t SumPixelPairsSse2(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                              std::size_t begin, std::size_t pixelCount, PixelPairSums& sums);
std::size_t CountChannelBinsSse2(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                                 std::size_t begin, std::size_t pixelCount, ChannelBinCounts& counts);
std::size_t SubtractInitialSse2(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount);
std::size_t ConvertPixelsToGreySse2(std::uint8_t* bytes, platform::DisplayFormat format, std::size_t begin,
                                    std::size_t pixelCount);
std::size_t SumGreyPairsSse2(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                             GreyPairSums& sums);
std::size_t CountGreyBinsSse2(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                              GreyBinCounts& counts);

// Pixel-pair sums by byte position modulo 4: in a four-byte format lane i is channel i.
struct ByteLaneSums {
    std::uint64_t first[4] = {};
    std::uint64_t second[4] = {};
    std::uint64_t apart[4] = {};
};

inline void AddLanes(__m128i v, std::uint64_t (&sums)[4])
{
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    for (int i = 0; i < 4; ++i)
        sums[i] += lanes[i];
}

// Adds the lanes to the channel sums: lane i to channel i in the four-byte format (lane 3 holds
// the ignored top bytes), all four lanes to channel 0 in the one-byte format.
void AddByteLaneSums(const ByteLaneSums& lanes, platform::DisplayFormat format, PixelPairSums& sums);

// Counts of the 32-bit format's pixels by the bins of all three channels at once: one counter
// for each combination of bins, so that a pixel costs one increment. Rows of the innermost
// channel are padded to 28 counters for aligned loads. The counters are 32 bits wide: a flat
// area increments one counter again and again, and narrower ones make each increment wait for
// the one before.
constexpr int kJointRow = 28;
constexpr std::size_t kJointCells = static_cast<std::size_t>(kBinCount) * kBinCount * kJointRow;

struct alignas(16) JointBinTable {
    std::uint32_t cells[kJointCells];
};

// Adds the three single-channel counts that the joint table holds.
void AddJointMarginals(const JointBinTable& table, std::array<BinCounts, 3>& bins);

#endif  // VANTREL_KERNELS_SSE2

#ifdef VANTREL_KERNELS_AVX2

// ---- 256-bit, for processors that have AVX2: from the start of the run ----

std::size_t SumPixelPairsAvx2(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                              std::size_t pixelCount, PixelPairSums& sums);
std::size_t CountChannelBinsAvx2(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                                 std::size_t pixelCount, ChannelBinCounts& counts);
std::size_t ConvertPixelsToGreyAvx2(std::uint8_t* bytes, platform::DisplayFormat format, std::size_t pixelCount);

#endif  // VANTREL_KERNELS_AVX2

}  // namespace vantrel::effects::compare::kernels::detail
