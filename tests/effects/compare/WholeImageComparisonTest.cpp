#include "effects/compare/WholeImageComparison.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ComparisonTestSupport.h"
#include "effects/compare/PixelUnpacking.h"

using vantrel::platform::BitsPerPixelOf;
using vantrel::platform::CCaptureImage;
using vantrel::platform::DisplayFormat;
using vantrel::platform::DisplayFormatFor;


using namespace vantrel::effects::compare;

namespace vantrel {
namespace {

using testing::CaptureOf;
using testing::CFailingAllocator;
using testing::CopyCapture;
using testing::CEventRecordingMessageBox;
using testing::FilledCapture;
using testing::kAllDepths;
using testing::kAllFormats;
using testing::RelatedBytes;
using testing::UniformCapture;
using testing::VariedBytes;
namespace plain = testing::plain;

const std::string kOutOfMemory = "本计算机的内存太小,不能进行图形效果阅卷!";

double Histogram(const CCaptureImage& a, const CCaptureImage& b)
{
    return HistogramSimilarity(a.Pixels(), b.Pixels(), *DisplayFormatFor(a.BitsPerPixel()), a.ByteCount());
}

double Pixel(const CCaptureImage& a, const CCaptureImage& b)
{
    return PixelSimilarity(a.Pixels(), b.Pixels(), *DisplayFormatFor(a.BitsPerPixel()), a.ByteCount());
}

double Compare(const CCaptureImage& a, const CCaptureImage& b)
{
    CEventRecordingMessageBox messages;
    const double result = CompareCaptureImages(&a, &b, messages);
    EXPECT_TRUE(messages.shown.empty());
    return result;
}

// The 8-bit capture whose left half is 0 and right half 200, or its mirror image.
std::unique_ptr<CCaptureImage> HalvesCapture(int bitsPerPixel, bool mirrored)
{
    auto image = std::make_unique<CCaptureImage>(bitsPerPixel);
    const int bytesPerPixel = bitsPerPixel / 8;
    for (int y = 0; y < CCaptureImage::kHeight; ++y)
        for (int x = 0; x < CCaptureImage::kWidth; ++x)
            for (int i = 0; i < bytesPerPixel; ++i)
                image->Pixels()[(y * CCaptureImage::kWidth + x) * bytesPerPixel + i] =
                    ((x < 100) != mirrored) ? 0 : 200;
    return image;
}

TEST(WholeImageComparison, IdenticalCapturesAreAlikeInEveryFormat)
{
    for (int depth : kAllDepths) {
        const auto a = CaptureOf(depth, VariedBytes(static_cast<std::size_t>(depth) * 4000, 7));
        const auto b = CopyCapture(*a);
        EXPECT_EQ(Histogram(*a, *b), 1.0) << depth;
        EXPECT_EQ(Pixel(*a, *b), 1.0) << depth;
        EXPECT_EQ(Compare(*a, *b), 1.0) << depth;
    }
}

TEST(WholeImageComparison, FiveAgainstFifteenMeetsInNoBinButWithinTheTolerance)
{
    for (int depth : {8, 24, 32}) {
        const auto fives = UniformCapture(depth, 5);
        const auto fifteens = UniformCapture(depth, 15);
        EXPECT_EQ(Histogram(*fives, *fifteens), 0.0) << depth;
        EXPECT_EQ(Pixel(*fives, *fifteens), 1.0) << depth;
        EXPECT_EQ(Compare(*fives, *fifteens), 0.5) << depth;
    }
}

TEST(WholeImageComparison, PixelMeasureOfSinglePixels)
{
    auto pixel = [](std::uint8_t a, std::uint8_t b) { return PixelSimilarity(&a, &b, DisplayFormat::Bits8, 1); };
    EXPECT_DOUBLE_EQ(pixel(100, 150), 0.5);
    EXPECT_EQ(pixel(100, 105), 1.0);
    EXPECT_DOUBLE_EQ(pixel(5, 16), 5.0 / (11.0 + 16.0));
    EXPECT_DOUBLE_EQ(pixel(16, 5), 5.0 / (11.0 + 16.0));
}

TEST(WholeImageComparison, DifferencesOfTenAreForgivenAndOfElevenNot)
{
    for (int depth : {8, 24, 32}) {
        const int bytesPerPixel = depth / 8;
        for (int channel = 0; channel < std::min(bytesPerPixel, 3); ++channel) {
            std::vector<std::uint8_t> base = {100, 60, 20, 0};
            base.resize(static_cast<std::size_t>(bytesPerPixel));
            auto tenAway = base;
            auto elevenAway = base;
            tenAway[static_cast<std::size_t>(channel)] += 10;
            elevenAway[static_cast<std::size_t>(channel)] += 11;
            const auto a = FilledCapture(depth, base);
            EXPECT_EQ(Pixel(*a, *FilledCapture(depth, tenAway)), 1.0) << depth << " channel " << channel;
            EXPECT_LT(Pixel(*a, *FilledCapture(depth, elevenAway)), 1.0) << depth << " channel " << channel;
        }
    }
}

TEST(WholeImageComparison, SixteenBitChannelsAreComparedAfterUnpacking)
{
    // Green steps by 4: 8 apart is forgiven, 12 apart is not. Blue and red step by 8: 8 apart is
    // forgiven, 16 apart is not.
    auto word = [](unsigned blue5, unsigned green6, unsigned red5) {
        const unsigned w = blue5 | (green6 << 5) | (red5 << 11);
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(w & 0xFF), static_cast<std::uint8_t>(w >> 8)};
    };
    const auto a = FilledCapture(16, word(10, 20, 10));
    EXPECT_EQ(Pixel(*a, *FilledCapture(16, word(10, 22, 10))), 1.0);
    EXPECT_LT(Pixel(*a, *FilledCapture(16, word(10, 23, 10))), 1.0);
    EXPECT_EQ(Pixel(*a, *FilledCapture(16, word(11, 20, 11))), 1.0);
    EXPECT_LT(Pixel(*a, *FilledCapture(16, word(12, 20, 10))), 1.0);
    EXPECT_LT(Pixel(*a, *FilledCapture(16, word(10, 20, 12))), 1.0);
    // Blue 10 << 3 = 80 and 12 << 3 = 96 meet in no bin.
    EXPECT_NEAR(Histogram(*a, *FilledCapture(16, word(12, 20, 10))), 2.0 / 3.0, 1e-15);
}

TEST(WholeImageComparison, TheLastBinHoldsTheSixValuesFrom250)
{
    for (int depth : {8, 24, 32}) {
        EXPECT_EQ(Histogram(*UniformCapture(depth, 250), *UniformCapture(depth, 255)), 1.0) << depth;
        EXPECT_EQ(Histogram(*UniformCapture(depth, 249), *UniformCapture(depth, 250)), 0.0) << depth;
        EXPECT_EQ(Histogram(*UniformCapture(depth, 240), *UniformCapture(depth, 249)), 1.0) << depth;
    }
}

TEST(WholeImageComparison, MirrorImageHasTheSameHistogramButNotThePixels)
{
    for (int depth : {8, 24, 32}) {
        const auto a = HalvesCapture(depth, false);
        const auto b = HalvesCapture(depth, true);
        EXPECT_EQ(Histogram(*a, *b), 1.0) << depth;
        const double expectedPixel = std::sqrt(0.5) / (1 + std::sqrt(0.5));
        EXPECT_NEAR(Pixel(*a, *b), expectedPixel, 1e-12) << depth;
        EXPECT_NEAR(Pixel(*a, *b), 0.4142, 1e-4) << depth;
        EXPECT_NEAR(Compare(*a, *b), (1 + expectedPixel) * 0.5, 1e-12) << depth;
        EXPECT_NEAR(Compare(*a, *b), 0.7071, 1e-4) << depth;
    }
}

TEST(WholeImageComparison, TwoBlackCapturesAreAlike)
{
    for (int depth : kAllDepths) {
        const auto a = UniformCapture(depth, 0);
        const auto b = UniformCapture(depth, 0);
        EXPECT_EQ(Pixel(*a, *b), 1.0) << depth;
        EXPECT_EQ(Histogram(*a, *b), 1.0) << depth;
        EXPECT_EQ(Compare(*a, *b), 1.0) << depth;
    }
}

TEST(WholeImageComparison, EmptyRunsGiveNumbersInRange)
{
    const std::uint8_t byte = 0;
    EXPECT_EQ(HistogramSimilarity(&byte, &byte, DisplayFormat::Bits32, 0), 0.0);
    EXPECT_EQ(PixelSimilarity(&byte, &byte, DisplayFormat::Bits32, 0), 1.0);
    EXPECT_EQ(HistogramSimilarity(&byte, &byte, static_cast<DisplayFormat>(-1), 1), 0.0);
    EXPECT_EQ(PixelSimilarity(&byte, &byte, static_cast<DisplayFormat>(7), 1), 0.0);
}

TEST(WholeImageComparison, MeasuresAreTheirPlainArithmeticInEveryFormat)
{
    for (int depth : kAllDepths) {
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const auto bytesA = VariedBytes(static_cast<std::size_t>(depth) * 4000, seed);
            const auto a = CaptureOf(depth, bytesA);
            const auto b = CaptureOf(depth, RelatedBytes(bytesA, seed + 100));
            const DisplayFormat format = *DisplayFormatFor(depth);
            const double h = Histogram(*a, *b);
            const double p = Pixel(*a, *b);
            EXPECT_EQ(h, plain::HistogramSimilarity(a->Pixels(), b->Pixels(), format, a->ByteCount())) << depth;
            EXPECT_EQ(p, plain::PixelSimilarity(a->Pixels(), b->Pixels(), format, a->ByteCount())) << depth;
            EXPECT_EQ(Compare(*a, *b), (h + p) * 0.5) << depth;
        }
    }
}

TEST(WholeImageComparison, OddLengthRunsMatchThePlainArithmetic)
{
    for (DisplayFormat format : kAllFormats) {
        for (std::size_t pixels : {1u, 7u, 9u, 15u, 33u, 1001u}) {
            const std::size_t bytes = pixels * BytesPerPixel(format);
            const auto a = VariedBytes(bytes, static_cast<unsigned>(pixels));
            const auto b = RelatedBytes(a, static_cast<unsigned>(pixels) + 5);
            EXPECT_EQ(HistogramSimilarity(a.data(), b.data(), format, bytes),
                      plain::HistogramSimilarity(a.data(), b.data(), format, bytes))
                << BitsPerPixelOf(format) << " " << pixels;
            EXPECT_EQ(PixelSimilarity(a.data(), b.data(), format, bytes),
                      plain::PixelSimilarity(a.data(), b.data(), format, bytes))
                << BitsPerPixelOf(format) << " " << pixels;
        }
    }
}

TEST(WholeImageComparison, EveryMeasureIsSymmetricAndInRange)
{
    for (int depth : kAllDepths) {
        for (unsigned seed = 10; seed < 16; ++seed) {
            const auto bytesA = VariedBytes(static_cast<std::size_t>(depth) * 4000, seed);
            const auto a = CaptureOf(depth, bytesA);
            const auto b = seed % 2 ? CaptureOf(depth, RelatedBytes(bytesA, seed))
                                    : CaptureOf(depth, VariedBytes(bytesA.size(), seed * 31));
            for (double value : {Histogram(*a, *b), Pixel(*a, *b), Compare(*a, *b)}) {
                EXPECT_GE(value, 0.0);
                EXPECT_LE(value, 1.0);
                EXPECT_FALSE(std::isnan(value));
            }
            EXPECT_EQ(Histogram(*a, *b), Histogram(*b, *a)) << depth;
            EXPECT_EQ(Pixel(*a, *b), Pixel(*b, *a)) << depth;
            EXPECT_EQ(Compare(*a, *b), Compare(*b, *a)) << depth;
        }
    }
}

TEST(WholeImageComparison, MissingCapturesGiveZeroWithoutMessage)
{
    const auto a = UniformCapture(32, 90);
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator;
    EXPECT_EQ(CompareCaptureImages(nullptr, a.get(), messages, allocator), 0.0);
    EXPECT_EQ(CompareCaptureImages(a.get(), nullptr, messages, allocator), 0.0);
    EXPECT_EQ(CompareCaptureImages(nullptr, nullptr, messages, allocator), 0.0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(allocator.allocations, 0);
}

TEST(WholeImageComparison, DepthsThatCannotBeComparedGiveZeroWithoutMessage)
{
    for (int depth : {1, 4}) {
        const auto a = UniformCapture(depth, 0x55);
        const auto b = UniformCapture(depth, 0x55);
        CEventRecordingMessageBox messages;
        CFailingAllocator allocator;
        EXPECT_EQ(CompareCaptureImages(a.get(), b.get(), messages, allocator), 0.0) << depth;
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(allocator.allocations, 0);
    }
}

TEST(WholeImageComparison, CapturesOfDifferentDepthsGiveZeroInEitherOrder)
{
    const auto deep = UniformCapture(32, 90);
    for (int depth : {1, 8, 16, 24}) {
        const auto other = UniformCapture(depth, 90);
        CEventRecordingMessageBox messages;
        CFailingAllocator allocator;
        EXPECT_EQ(CompareCaptureImages(deep.get(), other.get(), messages, allocator), 0.0) << depth;
        EXPECT_EQ(CompareCaptureImages(other.get(), deep.get(), messages, allocator), 0.0) << depth;
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(allocator.allocations, 0);
    }
}

TEST(WholeImageComparison, UsesTwoBuffersAndGivesThemBack)
{
    const auto a = UniformCapture(24, 90);
    const auto b = UniformCapture(24, 91);
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator;
    EXPECT_EQ(CompareCaptureImages(a.get(), b.get(), messages, allocator), 1.0);
    EXPECT_EQ(allocator.allocations, 2);
    EXPECT_EQ(allocator.releases, 2);
    EXPECT_EQ(allocator.Outstanding(), 0u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(WholeImageComparison, NoMemoryForTheFirstBufferShowsTheMessage)
{
    const auto a = UniformCapture(32, 90);
    const auto b = UniformCapture(32, 91);
    std::vector<std::string> events;
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator(1);
    messages.events = allocator.events = &events;
    EXPECT_EQ(CompareCaptureImages(a.get(), b.get(), messages, allocator), 0.0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], kOutOfMemory);
    EXPECT_EQ(events, (std::vector<std::string>{"refuse", "message"}));
    EXPECT_EQ(allocator.Outstanding(), 0u);
}

TEST(WholeImageComparison, NoMemoryForTheSecondBufferFreesTheFirstThenShowsTheMessage)
{
    const auto a = UniformCapture(16, 90);
    const auto b = UniformCapture(16, 91);
    std::vector<std::string> events;
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator(2);
    messages.events = allocator.events = &events;
    EXPECT_EQ(CompareCaptureImages(a.get(), b.get(), messages, allocator), 0.0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], kOutOfMemory);
    EXPECT_EQ(events, (std::vector<std::string>{"allocate", "refuse", "release", "message"}));
    EXPECT_EQ(allocator.Outstanding(), 0u);
}

TEST(WholeImageComparison, ComparisonLeavesTheCapturesUnchanged)
{
    const auto bytesA = VariedBytes(128000, 3);
    const auto a = CaptureOf(32, bytesA);
    const auto bytesB = RelatedBytes(bytesA, 4);
    const auto b = CaptureOf(32, bytesB);
    const double first = Compare(*a, *b);
    EXPECT_EQ(Compare(*a, *b), first);
    EXPECT_TRUE(std::equal(bytesA.begin(), bytesA.end(), a->Pixels()));
    EXPECT_TRUE(std::equal(bytesB.begin(), bytesB.end(), b->Pixels()));
}

}  // namespace
}  // namespace vantrel
