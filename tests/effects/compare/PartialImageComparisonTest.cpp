#include "effects/compare/PartialImageComparison.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ComparisonTestSupport.h"

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
using testing::RelatedBytes;
using testing::UniformCapture;
using testing::VariedBytes;
namespace plain = testing::plain;

const std::string kOutOfMemory = "本计算机的内存太小,不能进行图形效果阅卷!";

double ComparePartial(const CCaptureImage* e, const CCaptureImage* r, const CCaptureImage* i)
{
    CEventRecordingMessageBox messages;
    const double result = ComparePartialCaptureImages(e, r, i, messages);
    EXPECT_TRUE(messages.shown.empty());
    return result;
}

// The initial capture with a rectangle of it changed by adding shift to every byte.
std::unique_ptr<CCaptureImage> Changed(const CCaptureImage& initial, int x0, int y0, int x1, int y1, int shift)
{
    auto image = CopyCapture(initial);
    const int bytesPerPixel = initial.BitsPerPixel() / 8;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int i = 0; i < bytesPerPixel; ++i) {
                std::uint8_t& b = image->Pixels()[(y * CCaptureImage::kWidth + x) * bytesPerPixel + i];
                b = static_cast<std::uint8_t>(b + shift);
            }
    return image;
}

TEST(PartialImageComparison, DifferencesBelowThreeVanish)
{
    std::uint8_t changed[] = {10, 11, 12, 13, 13, 12, 11, 10, 0, 255, 7};
    const std::uint8_t initial[] = {10, 10, 10, 10, 10, 10, 10, 10, 255, 0, 7};
    MakeDifferenceImage(changed, initial, sizeof changed);
    const std::uint8_t expected[] = {0, 0, 0, 3, 3, 0, 0, 0, 255, 255, 0};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), changed));
}

TEST(PartialImageComparison, DifferenceOfLongRunsIsTheByteRule)
{
    for (std::size_t count : {5u, 16u, 17u, 1000u, 128000u}) {
        auto changed = VariedBytes(count, 1);
        const auto initial = RelatedBytes(changed, 2);
        auto expected = changed;
        plain::MakeDifferenceImage(expected.data(), initial.data(), count);
        MakeDifferenceImage(changed.data(), initial.data(), count);
        EXPECT_EQ(changed, expected) << count;
    }
}

TEST(PartialImageComparison, GreyValuesOfThePrimaries)
{
    EXPECT_EQ(GreyValue(255, 255, 255), 255);
    EXPECT_EQ(GreyValue(0, 0, 255), 76);
    EXPECT_EQ(GreyValue(255, 0, 0), 28);
    EXPECT_EQ(GreyValue(0, 255, 0), 150);
    EXPECT_EQ(GreyValue(0, 0, 0), 0);
}

TEST(PartialImageComparison, GreyValueIsTheTruncatedDoubleSumForEveryColour)
{
    for (int c0 = 0; c0 < 256; ++c0)
        for (int c1 = 0; c1 < 256; ++c1)
            for (int c2 = 0; c2 < 256; ++c2)
                ASSERT_EQ(GreyValue(static_cast<std::uint8_t>(c0), static_cast<std::uint8_t>(c1),
                                    static_cast<std::uint8_t>(c2)),
                          plain::Grey(c0, c1, c2))
                    << c0 << " " << c1 << " " << c2;
}

TEST(PartialImageComparison, ConvertToGreyInEachFormat)
{
    // blue, red, green and white, low byte first
    std::uint8_t bytes24[] = {255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
    ConvertToGrey(bytes24, DisplayFormat::Bits24, sizeof bytes24);
    EXPECT_EQ(std::vector<int>(bytes24, bytes24 + 4), (std::vector<int>{28, 76, 150, 255}));

    std::uint8_t bytes32[] = {255, 0, 0, 9, 0, 0, 255, 9, 0, 255, 0, 9, 255, 255, 255, 9};
    ConvertToGrey(bytes32, DisplayFormat::Bits32, sizeof bytes32);
    EXPECT_EQ(std::vector<int>(bytes32, bytes32 + 4), (std::vector<int>{28, 76, 150, 255}));

    // 0x001F is blue 248, 0xF800 red 248, 0x07E0 green 252
    std::uint8_t bytes16[] = {0x1F, 0x00, 0x00, 0xF8, 0xE0, 0x07};
    ConvertToGrey(bytes16, DisplayFormat::Bits16, sizeof bytes16);
    EXPECT_EQ(std::vector<int>(bytes16, bytes16 + 3),
              (std::vector<int>{plain::Grey(248, 0, 0), plain::Grey(0, 0, 248), plain::Grey(0, 252, 0)}));

    std::uint8_t bytes8[] = {1, 2, 3};
    ConvertToGrey(bytes8, DisplayFormat::Bits8, sizeof bytes8);
    EXPECT_EQ(std::vector<int>(bytes8, bytes8 + 3), (std::vector<int>{1, 2, 3}));
}

TEST(PartialImageComparison, ConvertToGreyOfWholeCapturesIsThePlainFormula)
{
    for (int depth : kAllDepths) {
        auto bytes = VariedBytes(static_cast<std::size_t>(depth) * 4000, static_cast<unsigned>(depth));
        auto expected = bytes;
        const DisplayFormat format = *DisplayFormatFor(depth);
        plain::ConvertToGrey(expected.data(), format, expected.size());
        ConvertToGrey(bytes.data(), format, bytes.size());
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 32000, expected.begin())) << depth;
    }
}

TEST(PartialImageComparison, GreyPixelPairsCountAsWritten)
{
    const std::uint8_t nine = 9, ten = 10;
    // 9 and 9: no pair qualifies, nothing tells the two apart
    EXPECT_EQ(GreyPixelSimilarity(&nine, &nine, 1), 1.0);
    // 10 and 10: 100 in both sums
    EXPECT_EQ(GreyPixelSimilarity(&ten, &ten, 1), 1.0);
    // 0 and 11: 121 in one sum only
    const std::uint8_t a[] = {0};
    const std::uint8_t b[] = {11};
    EXPECT_EQ(GreyPixelSimilarity(a, b, 1), 0.0);
    const std::uint8_t a2[] = {10, 0, 9};
    const std::uint8_t b2[] = {10, 11, 9};
    EXPECT_DOUBLE_EQ(GreyPixelSimilarity(a2, b2, 3), 10.0 / std::sqrt(221.0));
    EXPECT_DOUBLE_EQ(GreyPixelSimilarity(b2, a2, 3), 10.0 / std::sqrt(221.0));
    // within the tolerance with one value below 10: left out
    const std::uint8_t a3[] = {20, 5};
    const std::uint8_t b3[] = {20, 15};
    EXPECT_EQ(GreyPixelSimilarity(a3, b3, 2), 1.0);
}

TEST(PartialImageComparison, GreyHistogramLeavesBinZeroOut)
{
    std::vector<std::uint8_t> zeros(500, 0);
    std::vector<std::uint8_t> changed(500, 0);
    std::fill(changed.begin(), changed.begin() + 40, 120);
    EXPECT_EQ(GreyHistogramSimilarity(zeros.data(), zeros.data(), zeros.size()), 0.0);
    EXPECT_EQ(GreyHistogramSimilarity(zeros.data(), changed.data(), zeros.size()), 0.0);
    EXPECT_EQ(GreyHistogramSimilarity(changed.data(), changed.data(), zeros.size()), 1.0);
    // Different amounts of unchanged pixels do not matter.
    std::vector<std::uint8_t> fewer(500, 5);
    std::fill(fewer.begin(), fewer.begin() + 20, 125);
    EXPECT_EQ(GreyHistogramSimilarity(changed.data(), fewer.data(), zeros.size()), 1.0);
    // 250 and 255 share a bin, 249 does not.
    std::vector<std::uint8_t> v250(64, 250), v255(64, 255), v249(64, 249);
    EXPECT_EQ(GreyHistogramSimilarity(v250.data(), v255.data(), 64), 1.0);
    EXPECT_EQ(GreyHistogramSimilarity(v250.data(), v249.data(), 64), 0.0);
}

TEST(PartialImageComparison, GreyMeasuresAreTheirPlainArithmetic)
{
    for (std::size_t n : {1u, 15u, 16u, 17u, 999u, 32000u}) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            auto a = VariedBytes(n, seed);
            auto b = RelatedBytes(a, seed + 50);
            // Mostly unchanged pixels, as in a difference image.
            for (std::size_t k = 0; k < n; ++k)
                if ((k / 40) % 3 != 0) {
                    a[k] = static_cast<std::uint8_t>(a[k] % 10);
                    b[k] = static_cast<std::uint8_t>(b[k] % 10);
                }
            EXPECT_EQ(GreyPixelSimilarity(a.data(), b.data(), n), plain::GreyPixelSimilarity(a.data(), b.data(), n));
            EXPECT_EQ(GreyHistogramSimilarity(a.data(), b.data(), n),
                      plain::GreyHistogramSimilarity(a.data(), b.data(), n));
            EXPECT_EQ(GreyPixelSimilarity(a.data(), b.data(), n), GreyPixelSimilarity(b.data(), a.data(), n));
            EXPECT_EQ(GreyHistogramSimilarity(a.data(), b.data(), n), GreyHistogramSimilarity(b.data(), a.data(), n));
        }
    }
}

TEST(PartialImageComparison, CombinationBelowAndAtTheThreshold)
{
    EXPECT_DOUBLE_EQ(CombinePartialMeasures(0.9, 0.5), 0.62);
    EXPECT_EQ(CombinePartialMeasures(0.9, 0.5), 0.7 * 0.5 + 0.3 * 0.9);
    EXPECT_EQ(CombinePartialMeasures(0.5, 0.9), CombinePartialMeasures(0.9, 0.5));
    EXPECT_EQ(CombinePartialMeasures(0.85, 0.85), std::pow(0.85, 1.1));
    EXPECT_NEAR(CombinePartialMeasures(0.85, 0.85), 0.8363, 1e-4);
    const double justBelow = std::nextafter(0.85, 0.0);
    EXPECT_LT(CombinePartialMeasures(justBelow, justBelow), 0.85);
    EXPECT_GT(CombinePartialMeasures(justBelow, justBelow), 0.8499);
    EXPECT_EQ(CombinePartialMeasures(1.0, 1.0), 1.0);
    EXPECT_EQ(CombinePartialMeasures(0.0, 0.0), 0.0);
    EXPECT_EQ(CombinePartialMeasures(1.0, 0.7), std::pow(0.85, 1.1));
}

TEST(PartialImageComparison, TheSameChangeIsAlike)
{
    for (int depth : kAllDepths) {
        const auto initial = CaptureOf(depth, VariedBytes(static_cast<std::size_t>(depth) * 4000, 4));
        const auto reference = Changed(*initial, 30, 20, 120, 90, 60);
        const auto examinee = CopyCapture(*reference);
        EXPECT_EQ(ComparePartial(examinee.get(), reference.get(), initial.get()), 1.0) << depth;
    }
}

TEST(PartialImageComparison, ChangingNothingScoresNothing)
{
    for (int depth : kAllDepths) {
        const auto initial = UniformCapture(depth, 40);
        const auto reference = Changed(*initial, 30, 20, 120, 90, 100);
        const auto examinee = CopyCapture(*initial);
        EXPECT_EQ(ComparePartial(examinee.get(), reference.get(), initial.get()), 0.0) << depth;
        EXPECT_EQ(ComparePartial(reference.get(), examinee.get(), initial.get()), 0.0) << depth;
    }
    // A reference change within the grey tolerance leaves no pixel pair to measure: the pixel
    // measure's 1 and the histograms' 0 give 0.3. (In 16 bits a small byte change is no
    // small grey change.)
    for (int depth : {8, 24, 32}) {
        const auto initial = UniformCapture(depth, 40);
        const auto faint = Changed(*initial, 30, 20, 120, 90, 5);
        EXPECT_EQ(ComparePartial(initial.get(), faint.get(), initial.get()), 0.3) << depth;
    }
}

TEST(PartialImageComparison, ComparisonIsThePlainArithmeticAndSymmetric)
{
    for (int depth : kAllDepths) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const auto initial = CaptureOf(depth, VariedBytes(static_cast<std::size_t>(depth) * 4000, seed));
            const auto reference = Changed(*initial, 30, 20, 120, 90, 40 + static_cast<int>(seed));
            const auto examinee = CaptureOf(
                depth, RelatedBytes(std::vector<std::uint8_t>(reference->Pixels(),
                                                              reference->Pixels() + reference->ByteCount()),
                                    seed + 9));
            const double result = ComparePartial(examinee.get(), reference.get(), initial.get());
            EXPECT_EQ(result, plain::ComparePartial(*examinee, *reference, *initial)) << depth;
            EXPECT_EQ(result, ComparePartial(reference.get(), examinee.get(), initial.get())) << depth;
            EXPECT_GE(result, 0.0);
            EXPECT_LE(result, 1.0);
        }
    }
}

TEST(PartialImageComparison, AMissingCaptureGivesZeroAtOnce)
{
    const auto a = UniformCapture(32, 1);
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator;
    EXPECT_EQ(ComparePartialCaptureImages(a.get(), a.get(), nullptr, messages, allocator), 0.0);
    EXPECT_EQ(ComparePartialCaptureImages(a.get(), nullptr, a.get(), messages, allocator), 0.0);
    EXPECT_EQ(ComparePartialCaptureImages(nullptr, a.get(), a.get(), messages, allocator), 0.0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(allocator.allocations, 0);
}

TEST(PartialImageComparison, DepthsThatCannotBeComparedGiveZeroWithoutMessage)
{
    for (int depth : {1, 4}) {
        const auto a = UniformCapture(depth, 0x0F);
        CEventRecordingMessageBox messages;
        CFailingAllocator allocator;
        EXPECT_EQ(ComparePartialCaptureImages(a.get(), a.get(), a.get(), messages, allocator), 0.0);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(allocator.allocations, 0);
    }
}

TEST(PartialImageComparison, CapturesOfAnotherDepthGiveZero)
{
    const auto deep = UniformCapture(32, 50);
    const auto shallow = UniformCapture(16, 50);
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator;
    EXPECT_EQ(ComparePartialCaptureImages(deep.get(), shallow.get(), deep.get(), messages, allocator), 0.0);
    EXPECT_EQ(ComparePartialCaptureImages(deep.get(), deep.get(), shallow.get(), messages, allocator), 0.0);
    EXPECT_EQ(ComparePartialCaptureImages(shallow.get(), deep.get(), deep.get(), messages, allocator), 0.0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(allocator.allocations, 0);
}

TEST(PartialImageComparison, UsesThreeBuffersAndGivesThemBack)
{
    const auto initial = UniformCapture(24, 50);
    const auto changed = Changed(*initial, 0, 0, 50, 50, 30);
    CEventRecordingMessageBox messages;
    CFailingAllocator allocator;
    EXPECT_EQ(ComparePartialCaptureImages(changed.get(), changed.get(), initial.get(), messages, allocator), 1.0);
    EXPECT_EQ(allocator.allocations, 3);
    EXPECT_EQ(allocator.releases, 3);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(PartialImageComparison, NoMemoryForAnyBufferFreesTheOthersAndShowsTheMessage)
{
    const auto initial = UniformCapture(32, 50);
    const auto changed = Changed(*initial, 0, 0, 50, 50, 30);
    const std::vector<std::vector<std::string>> expected = {
        {"refuse", "message"},
        {"allocate", "refuse", "release", "message"},
        {"allocate", "allocate", "refuse", "release", "release", "message"},
    };
    for (int failing = 1; failing <= 3; ++failing) {
        std::vector<std::string> events;
        CEventRecordingMessageBox messages;
        CFailingAllocator allocator(failing);
        messages.events = allocator.events = &events;
        EXPECT_EQ(ComparePartialCaptureImages(changed.get(), changed.get(), initial.get(), messages, allocator), 0.0);
        ASSERT_EQ(messages.shown.size(), 1u) << failing;
        EXPECT_EQ(messages.shown[0], kOutOfMemory);
        EXPECT_EQ(events, expected[static_cast<std::size_t>(failing - 1)]) << failing;
        EXPECT_EQ(allocator.Outstanding(), 0u);
    }
}

TEST(PartialImageComparison, ComparisonLeavesTheCapturesUnchanged)
{
    const auto initial = CaptureOf(32, VariedBytes(128000, 8));
    const auto reference = Changed(*initial, 10, 10, 90, 90, 33);
    const auto examinee = Changed(*initial, 12, 10, 90, 95, 31);
    const auto before = CopyCapture(*examinee);
    const double first = ComparePartial(examinee.get(), reference.get(), initial.get());
    EXPECT_EQ(ComparePartial(examinee.get(), reference.get(), initial.get()), first);
    EXPECT_TRUE(std::equal(before->Pixels(), before->Pixels() + before->ByteCount(), examinee->Pixels()));
}

}  // namespace
}  // namespace vantrel
