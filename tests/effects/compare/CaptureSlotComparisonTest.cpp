#include <gtest/gtest.h>

#include "ComparisonTestSupport.h"
#include "ScopedPlatform.h"
#include "effects/compare/PartialImageComparison.h"
#include "effects/compare/WholeImageComparison.h"
#include "grading/MarkSession.h"

using vantrel::grading::CMarkSession;

using vantrel::platform::CCaptureImage;

using namespace vantrel::effects::compare;

namespace vantrel {
namespace {

using testing::CaptureOf;
using testing::CopyCapture;
using testing::RelatedBytes;
using testing::ScopedPlatform;
using testing::UniformCapture;
using testing::VariedBytes;

class CaptureSlotComparison : public ::testing::Test {
protected:
    CaptureSlotComparison() { platform_->MessageBox().SetEchoToStandardError(false); }

    const std::vector<std::string>& Messages() { return platform_->MessageBox().Messages(); }

    ScopedPlatform<> platform_;
    CMarkSession session_{"C:\\answers\\", "C:\\keys\\"};
};

TEST_F(CaptureSlotComparison, EmptySlotsGiveZeroWithoutMessage)
{
    EXPECT_EQ(session_.CompareCaptures(0, 1), 0.0);
    EXPECT_EQ(session_.ComparePartialCaptures(), 0.0);
    session_.captureSlots[0] = UniformCapture(32, 80);
    EXPECT_EQ(session_.CompareCaptures(0, 1), 0.0);
    EXPECT_EQ(session_.CompareCaptures(1, 0), 0.0);
    session_.captureSlots[1] = UniformCapture(32, 80);
    EXPECT_EQ(session_.CompareCaptures(2, 1), 0.0);
    EXPECT_EQ(session_.ComparePartialCaptures(), 0.0);  // no initial capture
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CaptureSlotComparison, ComparesTheNamedSlotsInEitherOrder)
{
    const auto examinee = VariedBytes(128000, 1);
    session_.captureSlots[0] = CaptureOf(32, examinee);
    session_.captureSlots[1] = CaptureOf(32, RelatedBytes(examinee, 2));
    session_.captureSlots[2] = CaptureOf(32, VariedBytes(128000, 3));
    testing::CEventRecordingMessageBox messages;
    const double expected =
        CompareCaptureImages(session_.captureSlots[0].get(), session_.captureSlots[1].get(), messages);
    EXPECT_GT(expected, 0.0);
    EXPECT_LT(expected, 1.0);
    EXPECT_EQ(session_.CompareCaptures(0, 1), expected);
    EXPECT_EQ(session_.CompareCaptures(1, 0), expected);
    EXPECT_EQ(session_.CompareCaptures(2, 1),
              CompareCaptureImages(session_.captureSlots[2].get(), session_.captureSlots[1].get(), messages));
    EXPECT_EQ(session_.CompareCaptures(1, 1), 1.0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CaptureSlotComparison, SlotsOutsideTheThreeGiveZero)
{
    session_.captureSlots[0] = UniformCapture(32, 80);
    session_.captureSlots[1] = UniformCapture(32, 80);
    EXPECT_EQ(session_.CompareCaptures(0, 3), 0.0);
    EXPECT_EQ(session_.CompareCaptures(-1, 1), 0.0);
    EXPECT_EQ(session_.CompareCaptures(0, 1), 1.0);
}

TEST_F(CaptureSlotComparison, CapturesOfAnotherDepthGiveZeroWithoutMessage)
{
    session_.captureSlots[0] = UniformCapture(32, 80);
    session_.captureSlots[1] = UniformCapture(16, 80);
    session_.captureSlots[2] = UniformCapture(32, 80);
    EXPECT_EQ(session_.CompareCaptures(0, 1), 0.0);
    EXPECT_EQ(session_.CompareCaptures(1, 0), 0.0);
    EXPECT_EQ(session_.CompareCaptures(1, 2), 0.0);
    EXPECT_EQ(session_.ComparePartialCaptures(), 0.0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CaptureSlotComparison, DepthsThatCannotBeComparedGiveZeroWithoutMessage)
{
    for (int depth : {1, 4}) {
        for (auto& slot : session_.captureSlots)
            slot = UniformCapture(depth, 0x33);
        EXPECT_EQ(session_.CompareCaptures(0, 1), 0.0) << depth;
        EXPECT_EQ(session_.ComparePartialCaptures(), 0.0) << depth;
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CaptureSlotComparison, PartialComparisonReadsExamineeReferenceAndInitial)
{
    const auto initial = VariedBytes(96000, 5);
    auto changed = initial;
    for (std::size_t k = 20000; k < 50000; ++k)
        changed[k] = static_cast<std::uint8_t>(changed[k] + 70);
    session_.captureSlots[2] = CaptureOf(24, initial);
    session_.captureSlots[1] = CaptureOf(24, changed);
    session_.captureSlots[0] = CopyCapture(*session_.captureSlots[2]);
    // The examinee changed nothing.
    EXPECT_EQ(session_.ComparePartialCaptures(), 0.0);
    // The examinee made the reference's change.
    session_.captureSlots[0] = CopyCapture(*session_.captureSlots[1]);
    EXPECT_EQ(session_.ComparePartialCaptures(), 1.0);
    // Part of it, with changes of its own.
    session_.captureSlots[0] = CaptureOf(24, RelatedBytes(changed, 6));
    testing::CEventRecordingMessageBox messages;
    EXPECT_EQ(session_.ComparePartialCaptures(),
              ComparePartialCaptureImages(session_.captureSlots[0].get(), session_.captureSlots[1].get(),
                                          session_.captureSlots[2].get(), messages));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CaptureSlotComparison, ComparingLeavesTheSlotsAsTheyWere)
{
    session_.captureSlots[0] = CaptureOf(32, VariedBytes(128000, 7));
    session_.captureSlots[1] = CaptureOf(32, VariedBytes(128000, 8));
    session_.captureSlots[2] = CaptureOf(32, VariedBytes(128000, 9));
    const CCaptureImage* held[3] = {session_.captureSlots[0].get(), session_.captureSlots[1].get(),
                                    session_.captureSlots[2].get()};
    const auto before = CopyCapture(*session_.captureSlots[0]);
    session_.CompareCaptures(0, 1);
    session_.ComparePartialCaptures();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(session_.captureSlots[static_cast<std::size_t>(i)].get(), held[i]);
    EXPECT_TRUE(std::equal(before->Pixels(), before->Pixels() + before->ByteCount(),
                           session_.captureSlots[0]->Pixels()));
}

}  // namespace
}  // namespace vantrel
