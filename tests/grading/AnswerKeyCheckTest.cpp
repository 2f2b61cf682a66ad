#include <gtest/gtest.h>

#include <algorithm>

#include "grading/AnswerKeyCheck.h"
#include "grading/AnswerKeyWalk.h"
#include "grading/EditorKeyDocuments.h"
#include "StudioExam.h"

namespace {

using vantrel::grading::CKeyFinding;
using vantrel::grading::KeyFindingKind;
using vantrel::testing::AnswerKey;
using vantrel::testing::RgbDocument;

using Found = std::vector<std::pair<int, KeyFindingKind>>;

class AnswerKeyCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto plain = RgbDocument(40, 30, [](int x, int) { return static_cast<std::uint32_t>(x * 6); });
        t.exam.WriteKey("RESULT1.PSD", plain);
        t.exam.WriteKey("START1.PSD", plain);
    }
    std::vector<CKeyFinding> Check(const std::string& key)
    {
        vantrel::grading::CEditorKeyDocuments documents(t.exam.KeyDirectory());
        return vantrel::grading::CheckAnswerKey(
            key, [&](const std::string& name, std::string& reason) { return documents.Open(name, reason); });
    }
    Found Lines(const std::vector<std::string>& lines)
    {
        Found found;
        for (const CKeyFinding& finding : Check(AnswerKey(lines))) found.emplace_back(finding.line, finding.kind);
        return found;
    }

    vantrel::testing::StudioExam t;
};

TEST_F(AnswerKeyCheckTest, AKeyAsTheGraderMeansItHasNoFindings)
{
    EXPECT_EQ(Lines({"DESTFILE=ANSWER1.PSD", "&&2 IMAGE(WIDTH=640 HEIGHT=480)", "&&1 IMAGE(COLORMODE=RGB CHANNEL=3..4)",
                     "&&D&&", "&&4 EFFECT(SOURCEFILE=RESULT1.PSD INIFILE=START1.PSD)", "&&3",
                     "PARTEFFECT(SOURCEFILE=result1.psd", "           INIFILE=START1.PSD)", ""}),
              Found{});
}

TEST_F(AnswerKeyCheckTest, TyposAreFoundOnTheirOwnLines)
{
    EXPECT_EQ(Lines({"DESTFILE=A.PSD", "&&3 IMAGE(WIDHT=640)", "&&3", "IMAGE(WIDTH=640)",
                     "  PARTEFECT(SOURCEFILE=RESULT1.PSD)", "DESTFLIE=B.PSD", "&&4 IMAGE(COLORMODE=RBG,WIDTH=>640)"}),
              (Found{{2, KeyFindingKind::UnknownKey},
                     {5, KeyFindingKind::UnknownCriterion},
                     {6, KeyFindingKind::StrayText},
                     {7, KeyFindingKind::NeverMatches},
                     {7, KeyFindingKind::NeverMatches}}));
    std::vector<std::string> suggestions;
    for (const CKeyFinding& finding :
         Check(AnswerKey({"DESTFILE=A.PSD", "&&5 IMAGE(WIDHT=640) PARTEFECT(SORCEFILE=RESULT1.PSD)",
                          "&&5 IMAGE(COLORMODE=RBG)", "DESTFLIE=B.PSD", "&&0 EFFECT(SOURCEFILE=RESULT1.PSD INIFLE=X)"})))
        suggestions.push_back(finding.suggestion);
    EXPECT_EQ(suggestions, (std::vector<std::string>{"WIDTH", "PARTEFFECT", "RGB", "DESTFILE", "INIFILE"}));
    // Outside a block a misspelt DESTFILE line is an ignored line.
    EXPECT_EQ(Lines({"DESTFLIE=A.PSD", "DESTFILE=A.PSD", "&&10"}), (Found{{1, KeyFindingKind::IgnoredLine}}));
}

TEST_F(AnswerKeyCheckTest, UnbalancedBracketsAndCriteriaNeverReached)
{
    EXPECT_EQ(Lines({"DESTFILE=A.PSD", "&&2 IMAGE(WIDTH=1)) IMAGE(HEIGHT=1)", "&&2 IMAGE(WIDTH=1", "&&2 IMAGE(WIDTH=1) )",
                     "&&4 EFFECT(RESULT1.PSD)", "IMAGE(WIDTH=1)"}),
              (Found{{2, KeyFindingKind::StrayClosingBracket},
                     {3, KeyFindingKind::UnclosedBracket},
                     {4, KeyFindingKind::StrayClosingBracket},
                     {6, KeyFindingKind::NeverEvaluated}}));
    // What the check says is what grading does: a stray ")" costs the block, balanced it scores.
    t.exam.WriteAnswer("A.PSD", vantrel::testing::HeaderOnly(1, 1, 3, 3));
    EXPECT_EQ(t.exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&10 IMAGE(WIDTH=1)) IMAGE(HEIGHT=1)"})), 0);
    EXPECT_EQ(t.exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&10 IMAGE(WIDTH=1) IMAGE(HEIGHT=1)"})), 1);
}

TEST_F(AnswerKeyCheckTest, KeyDocumentsTheStudioCannotOpenSayWhatFollows)
{
    vantrel::testing::WriteFile(t.exam.KeyDirectory() + "/CUT.PSD", {'8', 'B', 'P', 'S', 0, 1});
    const auto findings = Check(AnswerKey({"DESTFILE=A.PSD", "&&5 EFFECT(SOURCEFILE=RESULT2.PSD INIFILE=START1.PSD)",
                                           "&&3 EFFECT(SOURCEFILE=CUT.PSD INIFILE=GONE.PSD)",
                                           "&&2 EFFECT(SOURCEFILE=RESULT1.PSD, INIFLE=START1.PSD)",
                                           "&&0 EFFECT(INIFILE=START1.PSD SOURCEFILE=)"}));
    Found found;
    for (const CKeyFinding& finding : findings) found.emplace_back(finding.line, finding.kind);
    EXPECT_EQ(found, (Found{{2, KeyFindingKind::ReferenceUnopenable},
                            {3, KeyFindingKind::ReferenceUnopenable},
                            {3, KeyFindingKind::StartingUnopenable},
                            {4, KeyFindingKind::IgnoredEffectText},
                            {5, KeyFindingKind::NoReference}}));
    EXPECT_EQ(findings[0].subject, "RESULT2.PSD");
    EXPECT_FALSE(findings[1].detail.empty());
    EXPECT_EQ(vantrel::grading::DescribeKeyFinding(findings[0]).rfind("line 2: RESULT2.PSD cannot be opened (", 0), 0u);
    // A partial effect has no starting image until one has been opened.
    EXPECT_EQ(Lines({"DESTFILE=A.PSD", "&&5 PARTEFFECT(SOURCEFILE=RESULT1.PSD)",
                     "&&5 EFFECT(SOURCEFILE=RESULT1.PSD INIFILE=START1.PSD)", "&&0 PARTEFFECT(SOURCEFILE=RESULT1.PSD)"}),
              (Found{{2, KeyFindingKind::PartialWithoutStart}}));
}

TEST_F(AnswerKeyCheckTest, DocumentLinesAndWeights)
{
    EXPECT_EQ(Lines({"&&4", "DESTFILE=A.PSD", "DESTFILE:", "&& 3", "&&3X", "DESTFILE=B.PSD"}),
              (Found{{1, KeyFindingKind::BlockBeforeDocument},
                     {2, KeyFindingKind::DocumentWithoutBlocks},
                     {3, KeyFindingKind::NoDocumentName},
                     {4, KeyFindingKind::WeightNotANumber},
                     {4, KeyFindingKind::StrayText},
                     {5, KeyFindingKind::WeightNotANumber},
                     {6, KeyFindingKind::DocumentWithoutBlocks},
                     {0, KeyFindingKind::WeightsNotTen}}));
    // Penalties are not what an examinee can earn.
    EXPECT_EQ(Lines({"DESTFILE=A.PSD", "&&9.5", "&&-2 IMAGE(WIDTH=1)", "&&0.5", "&&-.5", "&&0E3"}), Found{});
    const auto weights = Check(AnswerKey({"DESTFILE=A.PSD", "&&2.5", "&&5"}));
    ASSERT_EQ(weights.size(), 1u);
    EXPECT_EQ(weights[0].detail, "7.5");
}

TEST_F(AnswerKeyCheckTest, LineBreaksAndTheLineLimitAreTheGradersOwn)
{
    EXPECT_EQ(Lines({"DESTFILE=A.PSD\n&&10\n"}),
              (Found{{1, KeyFindingKind::LoneLineBreak}, {1, KeyFindingKind::LoneLineBreak}, {0, KeyFindingKind::OneLine}}));
    // A lone LF joins the next block to this line, and its weight is lost.
    EXPECT_EQ(Lines({"DESTFILE=A.PSD", "&&6", "IMAGE(WIDTH=1..9)\n&&4", ""}),
              (Found{{3, KeyFindingKind::LoneLineBreak}, {3, KeyFindingKind::StrayText}, {0, KeyFindingKind::WeightsNotTen}}));

    std::vector<std::string> lines = {"DESTFILE=A.PSD", "&&10"};
    lines.resize(1500, "IMAGE(WIDTH=1..9)");
    EXPECT_EQ(Lines(lines), (Found{{2, KeyFindingKind::BlockPastLimit},
                                   {1002, KeyFindingKind::LinesPastLimit},
                                   {0, KeyFindingKind::WeightsNotTen}}));
    std::string many = AnswerKey({"DESTFILE=A.PSD", "&&10"});
    for (int i = 0; i < 100000; ++i) many += "\n";
    const auto findings = Check(many);
    EXPECT_EQ(std::count_if(findings.begin(), findings.end(),
                            [](const CKeyFinding& f) { return f.kind == KeyFindingKind::LoneLineBreak; }),
              6);  // five shown, then one line for the rest
}

TEST_F(AnswerKeyCheckTest, AKeyWithThousandsOfFaultsGetsABoundedList)
{
    std::string criteria = "&&10 IMAGE(";
    for (int i = 0; i < 5000; ++i) criteria += "WIDHT=1 ";
    const auto findings = Check(AnswerKey({"DESTFILE=A.PSD", criteria + ")"}));
    ASSERT_EQ(findings.size(), 1001u);
    EXPECT_EQ(findings.back().kind, KeyFindingKind::MoreFindings);
    EXPECT_EQ(findings.back().detail, "4000");
}

// What the walk tells a visitor is what the interpreter scores.
class CKindRecorder : public vantrel::grading::IAnswerKeyVisitor {
public:
    void OnLine(int, vantrel::grading::KeyLineKind kind, const std::string&, bool) override { kinds.push_back(kind); }
    void OnBlockEnd(vantrel::grading::CKeyBlockLines& block) override { blocks.push_back(block.openerLine); }
    void OnDocumentLine(int index, const std::string&) override { blocks.push_back(-index - 1); }
    std::vector<vantrel::grading::KeyLineKind> kinds;
    std::vector<int> blocks;  // opener lines, and document lines as -(index + 1), in order
};

TEST(AnswerKeyWalk, BlocksEndBeforeTheDocumentLineThatEndsThem)
{
    using vantrel::grading::KeyLineKind;
    CKindRecorder recorder;
    const auto walk = vantrel::grading::WalkAnswerKey(
        AnswerKey({"DESTFILE=ANSWER1.PSD", "&&4 IMAGE(WIDTH=400)", "&&6", "EFFECT(SOURCEFILE=R.PSD)", "&&D&&",
                   "destfile:b.psd", "&&1", "&&d&&"}),
        recorder);
    EXPECT_EQ(recorder.kinds, (std::vector<KeyLineKind>{KeyLineKind::Document, KeyLineKind::BlockOpener,
                                                         KeyLineKind::BlockOpener, KeyLineKind::Content, KeyLineKind::Skip,
                                                         KeyLineKind::Document, KeyLineKind::BlockOpener, KeyLineKind::Skip}));
    EXPECT_EQ(recorder.blocks, (std::vector<int>{-1, 1, 2, -6, 6}));
    EXPECT_EQ(walk.linesRead, 8);
}

}  // namespace
