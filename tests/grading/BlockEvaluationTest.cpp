#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "grading/MarkSession.h"
#include "ExamFolders.h"

namespace {

using vantrel::grading::CMarkSession;
using vantrel::testing::ExamFolders;
using vantrel::testing::HeaderOnly;
using vantrel::testing::RgbDocument;

std::string Normalized(std::string text)
{
    CMarkSession("\\", "\\").NormalizeBlanks(text);
    return text;
}

TEST(NormalizeBlanks, BlanksGoNextToSeparatorsButStayNextToComparisons)
{
    EXPECT_EQ(Normalized("IMAGE ( WIDTH = 400 | 500 )"), "IMAGE(WIDTH=400|500)");
    EXPECT_EQ(Normalized("IMAGE(WIDTH >= 400)"), "IMAGE(WIDTH >=400)");
    EXPECT_EQ(Normalized("A  ..  B / C"), "A..B/C");
    EXPECT_EQ(Normalized("&&6   IMAGE(A)   B"), "&&6 IMAGE(A) B");
    EXPECT_EQ(Normalized("X . . Y"), "X . . Y");
}

TEST(NextCriterion, CutsBalancedCriteriaOneByOne)
{
    CMarkSession session("\\", "\\");
    std::string list = "  IMAGE(WIDTH=(400))IMAGE(HEIGHT=300) LAYER(A=1";
    std::string criterion;
    ASSERT_TRUE(session.NextCriterion(list, criterion));
    EXPECT_EQ(criterion, "IMAGE(WIDTH=(400))");
    ASSERT_TRUE(session.NextCriterion(list, criterion));
    EXPECT_EQ(criterion, "IMAGE(HEIGHT=300)");
    EXPECT_EQ(list, " LAYER(A=1");
    EXPECT_FALSE(session.NextCriterion(list, criterion));
    EXPECT_EQ(criterion, "");
    EXPECT_EQ(list, "LAYER(A=1");
}

class BlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        exam.WriteAnswer("A.PSD", HeaderOnly(400, 300, 3, 3));
        session.OpenDestFile("DESTFILE=A.PSD");
        ASSERT_NE(session.documentHandle, -1);
    }
    double Score(std::string block) { return session.EvaluateBlock(block); }

    ExamFolders exam;
    CMarkSession session{exam.AnswerDirectory() + "\\", exam.KeyDirectory() + "\\"};
};

TEST_F(BlockTest, WeightsAreReadAsDecimalNumbers)
{
    EXPECT_EQ(Score("&&5 "), 5);
    EXPECT_EQ(Score("&&2.5 IMAGE(WIDTH=400)"), 2.5);
    EXPECT_EQ(Score("&&-2 IMAGE(WIDTH=400)"), -2);
    EXPECT_EQ(Score("&&1.5E1"), 15);
    EXPECT_EQ(Score("&&7PTS"), 7);
    EXPECT_EQ(Score("&& 5 IMAGE(WIDTH=400)"), 0);
    EXPECT_EQ(Score("&&X"), 0);
}

TEST_F(BlockTest, WeightsPastTheRangeOfADoubleReadAsTheCLibraryReadsThem)
{
    // atof is strtod: past the range the value's size and sign decide, not the exponent's sign.
    const std::string ones(500, '1');
    const std::string zeros(500, '0');
    for (const std::string& weight : {ones + "E-100", "-" + ones + "E-100", "-0." + zeros + "1E+100",
                                      "0." + zeros + "1E+100", std::string("1E-400"), std::string("-1E400"),
                                      std::string("15E-1"), std::string("1E+99999999999999999999999"),
                                      std::string("-1E-99999999999999999999999")}) {
        const double expected = std::strtod(weight.c_str(), nullptr);
        const double score = Score("&&" + weight);
        EXPECT_EQ(score, expected) << weight;
        EXPECT_EQ(std::signbit(score), std::signbit(expected)) << weight;
    }
}

TEST_F(BlockTest, APropertyCriterionThatFailsEndsTheBlockWithZero)
{
    EXPECT_EQ(Score("&&2.5 IMAGE(WIDTH=401)"), 0);
    EXPECT_EQ(Score("&&4 IMAGE(WIDTH=400),IMAGE(HEIGHT=300);IMAGE(CHANNEL=3)"), 4);
    EXPECT_EQ(Score("&&4 IMAGE(WIDTH=400),IMAGE(HEIGHT=301);IMAGE(CHANNEL=3)"), 0);
    EXPECT_EQ(Score("&&4 IMAGE(WIDTH=400)IMAGE(HEIGHT=300)"), 4);
    EXPECT_EQ(Score("&&4 IMAGE ( WIDTH = 300 | 400 )"), 4);
}

TEST_F(BlockTest, TextThatHoldsNoCriterionIsIgnored)
{
    EXPECT_EQ(Score("&&5 IMAGE(WIDTH=400"), 5);
    EXPECT_EQ(Score("&&5 WIDTH"), 5);
    EXPECT_EQ(Score("&&5 IMAGE(WIDTH=400) TRAILING"), 5);
}

TEST_F(BlockTest, NothingScoresWithoutADocument)
{
    session.CloseDocument();
    EXPECT_EQ(Score("&&5 "), 0);
    EXPECT_EQ(Score("&&5 IMAGE(WIDTH=400)"), 0);
}

TEST_F(BlockTest, CriteriaAfterTheFirstEffectAreNeverLookedAt)
{
    // An effect with no source gives 0 at once, without starting the editor.
    EXPECT_EQ(Score("&&3 EFFECT() IMAGE(WIDTH=1)"), 0);
    EXPECT_EQ(Score("&&3 IMAGE(WIDTH=1) EFFECT()"), 0);
    // A document that shows as its reference does scores the whole weight, and the failing
    // criterion after it would have scored 0.
    const auto picture =
        RgbDocument(40, 30, [](int x, int y) { return static_cast<std::uint32_t>(x * 6 << 16 | y * 8); });
    exam.WriteAnswer("E.PSD", picture);
    exam.WriteKey("R.PSD", picture);
    session.CloseDocument();
    session.OpenDestFile("DESTFILE=E.PSD");
    EXPECT_EQ(Score("&&3 EFFECT(SOURCEFILE=R.PSD) IMAGE(WIDTH=1)"), 3);
    EXPECT_EQ(Score("&&3 IMAGE(WIDTH=1) EFFECT(SOURCEFILE=R.PSD)"), 0);
}

TEST_F(BlockTest, LongBlocksAndWeightTokensAreHandledInFull)
{
    std::string block = "&&" + std::string(2000, '0') + "3";
    // Enough criteria that cutting them off the front one copy at a time would never end.
    for (int i = 0; i < 100000; ++i) block += " IMAGE(WIDTH=400)";
    EXPECT_EQ(Score(block), 3);
    EXPECT_EQ(Score(block + " IMAGE(WIDTH=1)"), 0);
}

}  // namespace
