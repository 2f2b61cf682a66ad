#include "effects/compare/kernels/ComparisonKernels.h"

#include <gtest/gtest.h>

#include "ComparisonTestSupport.h"
#include "effects/compare/PixelUnpacking.h"

using vantrel::platform::BitsPerPixelOf;
using vantrel::platform::DisplayFormat;


using namespace vantrel::effects::compare;
using namespace vantrel::effects::compare::kernels;

namespace vantrel::kernels {
namespace {

using testing::kAllFormats;
using testing::RelatedBytes;
using testing::VariedBytes;

bool operator==(const PixelPairSums& a, const PixelPairSums& b)
{
    return a.first == b.first && a.second == b.second && a.apart == b.apart;
}

const std::size_t kPixelCounts[] = {0, 1, 7, 8, 9, 16, 17, 31, 33, 63, 65, 100, 1001, 32000, 70001};
const KernelPath kVectorPaths[] = {KernelPath::Fastest, KernelPath::Vector128};

TEST(ComparisonKernels, PixelSumsAreTheSameOnEveryPath)
{
    for (KernelPath path : kVectorPaths) {
        for (DisplayFormat format : kAllFormats) {
            for (std::size_t n : kPixelCounts) {
                const std::size_t bytes = n * BytesPerPixel(format);
                const auto a = VariedBytes(bytes, static_cast<unsigned>(n + 1));
                const auto b = RelatedBytes(a, static_cast<unsigned>(n + 2));
                EXPECT_TRUE(SumPixelPairs(a.data(), b.data(), format, n, path) ==
                            SumPixelPairs(a.data(), b.data(), format, n, KernelPath::Portable))
                    << static_cast<int>(path) << " " << BitsPerPixelOf(format) << " " << n;
            }
        }
    }
}

TEST(ComparisonKernels, PixelSumsOfTheBrightestValuesDoNotOverflow)
{
    // 300,000 pixels of 255 against 0: every square is as large as it gets, far beyond what one
    // pass of 32-bit counters could hold.
    const std::size_t n = 300000;
    std::vector<std::uint8_t> white(n * 4, 255), black(n * 4, 0);
    for (KernelPath path : kVectorPaths) {
        for (DisplayFormat format : {DisplayFormat::Bits8, DisplayFormat::Bits32}) {
            // 64-bit, or the expected sums would wrap where size_t has 32 bits.
            const std::uint64_t pixels = format == DisplayFormat::Bits8 ? n * 4 : n;
            const PixelPairSums sums = SumPixelPairs(white.data(), black.data(), format, pixels, path);
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(sums.first[c], pixels * 65025u) << BitsPerPixelOf(format);
                EXPECT_EQ(sums.second[c], 0u) << BitsPerPixelOf(format);
                EXPECT_EQ(sums.apart[c], pixels * 65025u) << BitsPerPixelOf(format);
            }
            const PixelPairSums same = SumPixelPairs(white.data(), white.data(), format, pixels, path);
            EXPECT_EQ(same.first[2], pixels * 65025u) << BitsPerPixelOf(format);
            EXPECT_EQ(same.second[2], pixels * 65025u) << BitsPerPixelOf(format);
            EXPECT_EQ(same.apart[2], 0u) << BitsPerPixelOf(format);
        }
    }
}

TEST(ComparisonKernels, ChannelBinsAreTheSameOnEveryPath)
{
    for (KernelPath path : kVectorPaths) {
        for (DisplayFormat format : kAllFormats) {
            for (std::size_t n : kPixelCounts) {
                const std::size_t bytes = n * BytesPerPixel(format);
                const auto a = VariedBytes(bytes, static_cast<unsigned>(n + 3));
                const auto b = RelatedBytes(a, static_cast<unsigned>(n + 4));
                const ChannelBinCounts fast = CountChannelBins(a.data(), b.data(), format, n, path);
                const ChannelBinCounts portable = CountChannelBins(a.data(), b.data(), format, n, KernelPath::Portable);
                EXPECT_EQ(fast.first, portable.first)
                    << static_cast<int>(path) << " " << BitsPerPixelOf(format) << " " << n;
                EXPECT_EQ(fast.second, portable.second)
                    << static_cast<int>(path) << " " << BitsPerPixelOf(format) << " " << n;
            }
        }
    }
}

TEST(ComparisonKernels, ChannelBinsOfAFlatImageBeyondOneChunk)
{
    const std::size_t n = 140003;
    std::vector<std::uint8_t> flat(n * 4);
    for (std::size_t k = 0; k < n; ++k) {
        flat[4 * k] = 255;
        flat[4 * k + 1] = 9;
        flat[4 * k + 2] = 250;
        flat[4 * k + 3] = 77;
    }
    for (KernelPath path : kVectorPaths) {
        const ChannelBinCounts counts = CountChannelBins(flat.data(), flat.data(), DisplayFormat::Bits32, n, path);
        EXPECT_EQ(counts.first[0][25], n);
        EXPECT_EQ(counts.first[1][0], n);
        EXPECT_EQ(counts.first[2][25], n);
        EXPECT_EQ(counts.second, counts.first);
    }
}

TEST(ComparisonKernels, DifferenceAndGreyAreTheSameOnEveryPath)
{
    for (KernelPath path : kVectorPaths) {
        for (DisplayFormat format : kAllFormats) {
            for (std::size_t n : kPixelCounts) {
                const std::size_t bytes = n * BytesPerPixel(format);
                const auto initial = VariedBytes(bytes, static_cast<unsigned>(n + 5));
                auto fast = RelatedBytes(initial, static_cast<unsigned>(n + 6));
                auto portable = fast;
                SubtractInitial(fast.data(), initial.data(), bytes, path);
                SubtractInitial(portable.data(), initial.data(), bytes, KernelPath::Portable);
                EXPECT_EQ(fast, portable) << BitsPerPixelOf(format) << " " << n;
                // Grey values straight from varied colours, so that whole hundredths occur.
                auto greyFast = VariedBytes(bytes, static_cast<unsigned>(n + 7));
                auto greyPortable = greyFast;
                ConvertPixelsToGrey(greyFast.data(), format, n, path);
                ConvertPixelsToGrey(greyPortable.data(), format, n, KernelPath::Portable);
                EXPECT_EQ(greyFast, greyPortable)
                    << static_cast<int>(path) << " " << BitsPerPixelOf(format) << " " << n;
            }
        }
    }
}

TEST(ComparisonKernels, GreyOfColoursWhoseWeightedSumIsWhole)
{
    // Colours whose exact grey is a whole number, where the double sum may land just below it:
    // every path must give what the double sum gives.
    std::vector<std::uint8_t> pixels;
    for (unsigned c0 = 0; c0 < 256 && pixels.size() < 4 * 4096; c0 += 3)
        for (unsigned c1 = 0; c1 < 256; ++c1)
            for (unsigned c2 = 0; c2 < 256; c2 += 5)
                if ((11 * c0 + 59 * c1 + 30 * c2) % 100 == 0 && pixels.size() < 4 * 4096) {
                    pixels.insert(pixels.end(), {static_cast<std::uint8_t>(c0), static_cast<std::uint8_t>(c1),
                                                 static_cast<std::uint8_t>(c2), 0});
                }
    const std::size_t n = pixels.size() / 4;
    auto portable = pixels;
    ConvertPixelsToGrey(portable.data(), DisplayFormat::Bits32, n, KernelPath::Portable);
    for (std::size_t k = 0; k < n; ++k)
        ASSERT_EQ(portable[k], testing::plain::Grey(pixels[4 * k], pixels[4 * k + 1], pixels[4 * k + 2])) << k;
    for (KernelPath path : kVectorPaths) {
        auto vector = pixels;
        ConvertPixelsToGrey(vector.data(), DisplayFormat::Bits32, n, path);
        EXPECT_TRUE(std::equal(vector.begin(), vector.begin() + static_cast<std::ptrdiff_t>(n), portable.begin()));
    }
}

TEST(ComparisonKernels, GreySumsAndBinsAreTheSameOnEveryPath)
{
    for (KernelPath path : kVectorPaths) {
        for (std::size_t n : kPixelCounts) {
            auto a = VariedBytes(n, static_cast<unsigned>(n + 8));
            auto b = RelatedBytes(a, static_cast<unsigned>(n + 9));
            for (std::size_t k = 0; k < n; ++k)
                if ((k / 48) % 2 == 0) {
                    a[k] = static_cast<std::uint8_t>(a[k] % 10);
                    b[k] = static_cast<std::uint8_t>(b[k] % 10);
                }
            const GreyPairSums fast = SumGreyPairs(a.data(), b.data(), n, path);
            const GreyPairSums portable = SumGreyPairs(a.data(), b.data(), n, KernelPath::Portable);
            EXPECT_EQ(fast.firstSum, portable.firstSum) << n;
            EXPECT_EQ(fast.secondSum, portable.secondSum) << n;
            const GreyBinCounts fastBins = CountGreyBins(a.data(), b.data(), n, path);
            const GreyBinCounts portableBins = CountGreyBins(a.data(), b.data(), n, KernelPath::Portable);
            EXPECT_EQ(fastBins.first, portableBins.first) << n;
            EXPECT_EQ(fastBins.second, portableBins.second) << n;
        }
    }
}

TEST(ComparisonKernels, GreySumsOfTheBrightestValuesDoNotOverflow)
{
    const std::uint64_t n = 300000;
    std::vector<std::uint8_t> white(n, 255), black(n, 0);
    for (KernelPath path : kVectorPaths) {
        const GreyPairSums sums = SumGreyPairs(white.data(), black.data(), n, path);
        EXPECT_EQ(sums.firstSum, n * 65025u);
        EXPECT_EQ(sums.secondSum, 0u);
        const GreyPairSums same = SumGreyPairs(white.data(), white.data(), n, path);
        EXPECT_EQ(same.firstSum, n * 65025u);
        EXPECT_EQ(same.secondSum, n * 65025u);
    }
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
