// What an observer learns of each criterion and each document, so that a lost mark can be
// explained: the values a property criterion saw, the criteria a block never reached, the
// blocks of a document that did not open, and why an effect had no capture to compare.

#include <gtest/gtest.h>

#include <filesystem>

#include "grading/Grading.h"
#include "ExamFolders.h"
#include "ScopedPlatform.h"
#include "StudioExam.h"

namespace {

using vantrel::document::DocumentAccess;
using vantrel::effects::compare::CaptureShortfall;
using vantrel::grading::CBlockReport;
using vantrel::grading::CDocumentReport;
using vantrel::grading::CriterionResult;
using vantrel::testing::AnswerKey;
using vantrel::testing::HeaderOnly;

struct Observer : vantrel::grading::IGradingObserver {
    void OnBlockScored(const CBlockReport& report) override { blocks.push_back(report); }
    void OnDocumentOpened(const CDocumentReport& report) override { documents.push_back(report); }
    std::vector<CBlockReport> blocks;
    std::vector<CDocumentReport> documents;
};

// Grades with an observer, and checks the mark is the one grading gives without.
double GradeObserved(const std::string& key, const std::string& answers, const std::string& keys, Observer& observer)
{
    const double observed = vantrel::grading::GradeAnswerKey(key.c_str(), answers.c_str(), keys.c_str(), &observer);
    EXPECT_EQ(observed, vantrel::grading::GradeAnswerKey(key.c_str(), answers.c_str(), keys.c_str(), nullptr));
    return observed;
}

class CriterionOutcomeTest : public ::testing::Test {
protected:
    void SetUp() override { exam.WriteAnswer("A.PSD", HeaderOnly(600, 480, 3, 1)); }
    double Grade(const std::vector<std::string>& lines)
    {
        return GradeObserved(AnswerKey(lines), exam.AnswerDirectory(), exam.KeyDirectory(), observer);
    }
    vantrel::testing::ScopedPlatform<> platform;
    vantrel::testing::ExamFolders exam;
    Observer observer;
};

TEST_F(CriterionOutcomeTest, APropertyTellsTheValueSeenAndTheCriteriaAfterTheOneThatFailedAreNotReached)
{
    EXPECT_DOUBLE_EQ(Grade({"DESTFILE=A.PSD", "&&4 IMAGE(HEIGHT=480) IMAGE(WIDTH=640 HEIGHT=480) IMAGE(CHANNEL=3)",
                            "&&1 IMAGE(COLORMODE=RGB)"}),
                     0);
    ASSERT_EQ(observer.blocks.size(), 2u);
    const CBlockReport& block = observer.blocks[0];
    ASSERT_EQ(block.criteria.size(), 3u);
    ASSERT_EQ(block.outcomes.size(), 3u);
    EXPECT_EQ(block.outcomes[0].result, CriterionResult::Passed);
    EXPECT_EQ(block.outcomes[0].comparisons.at(0).seen, 480);
    // The width decided the criterion: the height after it was never compared.
    EXPECT_EQ(block.outcomes[1].result, CriterionResult::Failed);
    ASSERT_EQ(block.outcomes[1].comparisons.size(), 1u);
    EXPECT_EQ(block.outcomes[1].comparisons[0].token, "WIDTH=640");
    EXPECT_EQ(block.outcomes[1].comparisons[0].seen, 600);
    EXPECT_FALSE(block.outcomes[1].comparisons[0].passed);
    EXPECT_EQ(block.criteria[2], "IMAGE(CHANNEL=3)");
    EXPECT_EQ(block.outcomes[2].result, CriterionResult::NotReached);
    EXPECT_EQ(observer.blocks[1].outcomes.at(0).comparisons.at(0).seen, 1);  // grayscale
}

TEST_F(CriterionOutcomeTest, ADocumentThatDidNotOpenStillListsItsBlocksWithWeightsAndCriteria)
{
    const std::filesystem::path outside = std::filesystem::path(exam.KeyDirectory()) / "R.PSD";
    exam.WriteKey("R.PSD", HeaderOnly(600, 480, 3, 1));
    // Where no link can be made (Windows without the privilege), L.PSD is simply not there.
    std::error_code noLinks;
    std::filesystem::create_symlink(outside, std::filesystem::path(exam.AnswerDirectory()) / "L.PSD", noLinks);
    EXPECT_DOUBLE_EQ(Grade({"DESTFILE=B.PSD", "&&2 IMAGE(WIDTH=600) IMAGE(HEIGHT=480)", "DESTFILE=L.PSD", "&&3",
                            "DESTFILE=A.PSD", "&&5 IMAGE(WIDTH=600)"}),
                     0.5);
    ASSERT_EQ(observer.documents.size(), 3u);
    EXPECT_EQ(observer.documents[0].name, "B.PSD");
    EXPECT_EQ(observer.documents[0].lineNumber, 1);
    EXPECT_EQ(observer.documents[0].access, DocumentAccess::NotOpened);
    EXPECT_EQ(observer.documents[1].access, noLinks ? DocumentAccess::NotOpened : DocumentAccess::LinkOutOfFolder);
    EXPECT_EQ(observer.documents[2].access, DocumentAccess::Opened);

    ASSERT_EQ(observer.blocks.size(), 3u);
    const CBlockReport& unopened = observer.blocks[0];
    EXPECT_EQ(unopened.weight, 2);
    EXPECT_EQ(unopened.score, 0);
    EXPECT_EQ(unopened.criteria, (std::vector<std::string>{"IMAGE(WIDTH=600)", "IMAGE(HEIGHT=480)"}));
    ASSERT_EQ(unopened.outcomes.size(), 2u);
    for (const auto& outcome : unopened.outcomes) {
        EXPECT_EQ(outcome.result, CriterionResult::NoDocument);
        EXPECT_TRUE(outcome.comparisons.empty());
    }
    EXPECT_EQ(observer.blocks[1].weight, 3);
    EXPECT_EQ(observer.blocks[1].score, 0);
}

class EffectOutcomeTest : public ::testing::Test {
protected:
    double Grade(const std::vector<std::string>& lines)
    {
        return GradeObserved(AnswerKey(lines), studio.exam.AnswerDirectory(), studio.exam.KeyDirectory(), observer);
    }
    vantrel::testing::StudioExam studio;
    Observer observer;
};

TEST_F(EffectOutcomeTest, AnEffectSaysWhyACaptureIsMissingInTheEditorsOwnWords)
{
    const auto blue = vantrel::testing::RgbDocument(40, 30, [](int, int) { return 0x2040A0u; });
    studio.exam.WriteKey("R.PSD", blue);
    // Cut short in the middle of its pixels: the header reads, the editor refuses the rest.
    std::vector<std::uint8_t> cut = vantrel::testing::WritePsd(vantrel::testing::RgbDocument(
        40, 30, [](int, int) { return 0x2040A0u; }, false));
    cut.resize(cut.size() - 1000);
    studio.exam.WriteAnswerBytes("A.PSD", cut);

    EXPECT_DOUBLE_EQ(Grade({"DESTFILE=A.PSD", "&&2 IMAGE(WIDTH=40) EFFECT(SOURCEFILE=R.PSD) IMAGE(WIDTH=1)",
                            "&&3 EFFECT(SOURCEFILE=GONE.PSD)", "&&1 EFFECT()"}),
                     0);
    ASSERT_EQ(observer.blocks.size(), 3u);
    const CBlockReport& block = observer.blocks[0];
    ASSERT_EQ(block.outcomes.size(), 3u);
    EXPECT_EQ(block.outcomes[0].result, CriterionResult::Passed);
    EXPECT_EQ(block.outcomes[1].result, CriterionResult::Compared);
    EXPECT_EQ(block.outcomes[1].effect, 0u);
    EXPECT_EQ(block.outcomes[2].result, CriterionResult::NotReached);
    const auto& refused = block.effects.at(0);
    EXPECT_EQ(refused.shortfall, CaptureShortfall::ExamineeNotOpened);
    EXPECT_NE(refused.shortfallReason.find("truncated image data"), std::string::npos) << refused.shortfallReason;
    // The examinee's document failing decides before the reference is looked at.
    EXPECT_EQ(observer.blocks[1].effects.at(0).shortfall, CaptureShortfall::ExamineeNotOpened);
    EXPECT_EQ(observer.blocks[2].effects.at(0).shortfall, CaptureShortfall::NoReferenceNamed);
}

TEST_F(EffectOutcomeTest, AReferenceTheEditorCannotOpenGivesFullCreditAndSaysSo)
{
    studio.exam.WriteAnswer("A.PSD", vantrel::testing::RgbDocument(40, 30, [](int, int) { return 0x2040A0u; }));
    EXPECT_DOUBLE_EQ(Grade({"DESTFILE=A.PSD", "&&2 EFFECT(SOURCEFILE=GONE.PSD)"}), 0.2);
    const auto& effect = observer.blocks.at(0).effects.at(0);
    EXPECT_EQ(effect.shortfall, CaptureShortfall::ReferenceNotOpened);
    EXPECT_NE(effect.shortfallReason.find("GONE.PSD"), std::string::npos) << effect.shortfallReason;
    EXPECT_EQ(effect.similarity, 1);
}

}  // namespace
