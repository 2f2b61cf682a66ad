#include "effects/ComparisonKernels.h"

#include <gtest/gtest.h>

#include "ComparisonTestSupport.h"

namespace vantrel::kernels {
namespace {

using testing::RelatedBytes;
using testing::VariedBytes;

bool operator==(const PixelPairSums& a, const PixelPairSums& b)
{
    return a.first == b.first && a.second == b.second && a.apart == b.apart;
}

const std::size_t kPixelCounts[] = {0, 1, 7, 8, 9, 16, 31, 33, 100, 1001, 32000, 70001};

TEST(ComparisonKernels, PixelSumsAreTheSameOnEveryPath)
{
    for (int code = 0; code < 4; ++code) {
        for (std::size_t n : kPixelCounts) {
            const std::size_t bytes = n * static_cast<std::size_t>(code + 1);
            const auto a = VariedBytes(bytes, static_cast<unsigned>(n + 1));
            const auto b = RelatedBytes(a, static_cast<unsigned>(n + 2));
            EXPECT_TRUE(SumPixelPairs(a.data(), b.data(), code, n, KernelPath::Fastest) ==
                        SumPixelPairs(a.data(), b.data(), code, n, KernelPath::Portable))
                << code << " " << n;
        }
    }
}

TEST(ComparisonKernels, PixelSumsOfTheBrightestValuesDoNotOverflow)
{
    // 70,000 pixels of 255 against 0: every square is as large as it gets, beyond what one pass
    // of 32-bit counters could hold.
    const std::size_t n = 70000;
    std::vector<std::uint8_t> white(n * 4, 255), black(n * 4, 0);
    const PixelPairSums sums = SumPixelPairs(white.data(), black.data(), 3, n);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(sums.first[c], n * 65025u);
        EXPECT_EQ(sums.second[c], 0u);
        EXPECT_EQ(sums.apart[c], n * 65025u);
    }
}

TEST(ComparisonKernels, ChannelBinsAreTheSameOnEveryPath)
{
    for (int code = 0; code < 4; ++code) {
        for (std::size_t n : kPixelCounts) {
            const std::size_t bytes = n * static_cast<std::size_t>(code + 1);
            const auto a = VariedBytes(bytes, static_cast<unsigned>(n + 3));
            const auto b = RelatedBytes(a, static_cast<unsigned>(n + 4));
            const ChannelBinCounts fast = CountChannelBins(a.data(), b.data(), code, n, KernelPath::Fastest);
            const ChannelBinCounts portable = CountChannelBins(a.data(), b.data(), code, n, KernelPath::Portable);
            EXPECT_EQ(fast.first, portable.first) << code << " " << n;
            EXPECT_EQ(fast.second, portable.second) << code << " " << n;
        }
    }
}

TEST(ComparisonKernels, ChannelBinsOfAFlatImageBeyondOneChunk)
{
    const std::size_t n = 140000;
    std::vector<std::uint8_t> flat(n * 4);
    for (std::size_t k = 0; k < n; ++k) {
        flat[4 * k] = 255;
        flat[4 * k + 1] = 9;
        flat[4 * k + 2] = 250;
        flat[4 * k + 3] = 77;
    }
    const ChannelBinCounts counts = CountChannelBins(flat.data(), flat.data(), 3, n);
    EXPECT_EQ(counts.first[0][25], n);
    EXPECT_EQ(counts.first[1][0], n);
    EXPECT_EQ(counts.first[2][25], n);
    EXPECT_EQ(counts.second, counts.first);
}

TEST(ComparisonKernels, DifferenceAndGreyAreTheSameOnEveryPath)
{
    for (int code = 0; code < 4; ++code) {
        for (std::size_t n : kPixelCounts) {
            const std::size_t bytes = n * static_cast<std::size_t>(code + 1);
            const auto initial = VariedBytes(bytes, static_cast<unsigned>(n + 5));
            auto fast = RelatedBytes(initial, static_cast<unsigned>(n + 6));
            auto portable = fast;
            SubtractInitial(fast.data(), initial.data(), bytes, KernelPath::Fastest);
            SubtractInitial(portable.data(), initial.data(), bytes, KernelPath::Portable);
            EXPECT_EQ(fast, portable) << code << " " << n;
            // Grey values straight from varied colours, so that whole hundredths occur.
            auto greyFast = VariedBytes(bytes, static_cast<unsigned>(n + 7));
            auto greyPortable = greyFast;
            ConvertPixelsToGrey(greyFast.data(), code, n, KernelPath::Fastest);
            ConvertPixelsToGrey(greyPortable.data(), code, n, KernelPath::Portable);
            EXPECT_EQ(greyFast, greyPortable) << code << " " << n;
        }
    }
}

TEST(ComparisonKernels, GreySumsAndBinsAreTheSameOnEveryPath)
{
    for (std::size_t n : kPixelCounts) {
        auto a = VariedBytes(n, static_cast<unsigned>(n + 8));
        auto b = RelatedBytes(a, static_cast<unsigned>(n + 9));
        for (std::size_t k = 0; k < n; ++k)
            if ((k / 48) % 2 == 0) {
                a[k] = static_cast<std::uint8_t>(a[k] % 10);
                b[k] = static_cast<std::uint8_t>(b[k] % 10);
            }
        const GreyPairSums fast = SumGreyPairs(a.data(), b.data(), n, KernelPath::Fastest);
        const GreyPairSums portable = SumGreyPairs(a.data(), b.data(), n, KernelPath::Portable);
        EXPECT_EQ(fast.firstSum, portable.firstSum) << n;
        EXPECT_EQ(fast.secondSum, portable.secondSum) << n;
        const GreyBinCounts fastBins = CountGreyBins(a.data(), b.data(), n, KernelPath::Fastest);
        const GreyBinCounts portableBins = CountGreyBins(a.data(), b.data(), n, KernelPath::Portable);
        EXPECT_EQ(fastBins.first, portableBins.first) << n;
        EXPECT_EQ(fastBins.second, portableBins.second) << n;
    }
}

TEST(ComparisonKernels, GreySumsOfTheBrightestValuesDoNotOverflow)
{
    const std::size_t n = 300000;
    std::vector<std::uint8_t> white(n, 255), black(n, 0);
    const GreyPairSums sums = SumGreyPairs(white.data(), black.data(), n);
    EXPECT_EQ(sums.firstSum, n * 65025u);
    EXPECT_EQ(sums.secondSum, 0u);
    const GreyPairSums same = SumGreyPairs(white.data(), white.data(), n);
    EXPECT_EQ(same.firstSum, n * 65025u);
    EXPECT_EQ(same.secondSum, n * 65025u);
}

TEST(ComparisonKernels, TenthsByMultiplicationAreExactForEveryByte)
{
    // The vector loops take v * 6554 >> 16 for v / 10 and n * 5243 >> 19 for n / 100.
    for (unsigned v = 0; v < 256; ++v)
        ASSERT_EQ((v * 6554u) >> 16, v / 10) << v;
    for (unsigned n = 0; n <= 25500; ++n)
        ASSERT_EQ((((n * 5243u) >> 16) >> 3), n / 100) << n;
}

}  // namespace
}  // namespace vantrel::kernels
