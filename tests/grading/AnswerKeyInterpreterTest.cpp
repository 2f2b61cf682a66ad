#include <gtest/gtest.h>

#include "grading/MarkSession.h"
#include "ExamFolders.h"

namespace {

using vantrel::grading::CMarkSession;
using vantrel::testing::AnswerKey;
using vantrel::testing::ExamFolders;
using vantrel::testing::HeaderOnly;

std::string Line(const std::string& text, int index)
{
    CMarkSession session("\\", "\\");
    std::string line = "stale";
    session.GetLine(text, index, line);
    return line;
}

TEST(AnswerKeyLines, CountFollowsCrLfPairsOnly)
{
    CMarkSession session("\\", "\\");
    EXPECT_EQ(session.CountLines(""), 0);
    EXPECT_EQ(session.CountLines("A"), 1);
    EXPECT_EQ(session.CountLines("A\nB\rC"), 1);
    EXPECT_EQ(session.CountLines("A\r\nB"), 2);
    EXPECT_EQ(session.CountLines("A\r\nB\r\n"), 3);
    EXPECT_EQ(session.CountLines("\r\n"), 2);
}

TEST(AnswerKeyLines, LinesKeepATrailingBlankAndLoseLeadingWhiteSpace)
{
    const std::string text = "  \tfirst\r\nse\ncond\r\nlast";
    EXPECT_EQ(Line(text, 0), "first ");
    EXPECT_EQ(Line(text, 1), "se cond ");
    EXPECT_EQ(Line(text, 2), "last");
    EXPECT_EQ(Line(text, 3), "");
    EXPECT_EQ(Line("A\r\n", 1), "");
    EXPECT_EQ(Line("", 0), "");
}

class InterpreterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3));
        exam.WriteAnswer("B.PSD", HeaderOnly(640, 480, 3, 3));
    }
    double Sum(const std::vector<std::string>& lines)
    {
        CMarkSession session(exam.AnswerDirectory() + "\\", exam.KeyDirectory() + "\\");
        return session.RunAnswerKey(AnswerKey(lines));
    }
    ExamFolders exam;
};

TEST_F(InterpreterTest, ABlockWithoutCriteriaScoresItsWeight)
{
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&4"}), 4);
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&4", ""}), 4);
    EXPECT_EQ(Sum({"DESTFILE=A.PSD&&4"}), 0);  // one line
    EXPECT_EQ(Sum({"destfile:a.psd", "  &&4"}), 4);
}

TEST_F(InterpreterTest, LinesOutsideBlocksAreIgnored)
{
    EXPECT_EQ(Sum({"IMAGE(WIDTH=1)", "DESTFILE=A.PSD", "IMAGE(WIDTH=1)", "&&3", "IMAGE(WIDTH=800)"}), 3);
}

TEST_F(InterpreterTest, BlocksBeforeTheFirstDocumentScoreNothing)
{
    EXPECT_EQ(Sum({"&&5", "DESTFILE=A.PSD", "&&2"}), 2);
}

TEST_F(InterpreterTest, SkipLinesNeitherEndNorJoinABlock)
{
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&3", "&&D&&", "IMAGE(WIDTH=1)"}), 0);
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&3", "&&d&&  ", "IMAGE(WIDTH=800)"}), 3);
    // &&D&&X opens a block of weight 0 and so ends the weight-3 block.
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&3", "&&D&&X", "IMAGE(WIDTH=1)"}), 3);
}

TEST_F(InterpreterTest, ABlockLeftOpenByTrailingSkipLinesIsScored)
{
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&3", "&&D&&"}), 3);
    EXPECT_EQ(Sum({"DESTFILE=A.PSD", "&&3", "IMAGE(WIDTH=800)", "&&D&&", "&&D&&"}), 3);
}

TEST_F(InterpreterTest, EachBlockIsScoredAgainstTheDocumentOpenWhenItEnds)
{
    const double sum = Sum({"DESTFILE=A.PSD", "&&1 IMAGE(WIDTH=800)", "&&2", "IMAGE(WIDTH=640)",
                            "DESTFILE=B.PSD", "&&4 IMAGE(WIDTH=640)", "&&8 IMAGE(WIDTH=800)"});
    EXPECT_EQ(sum, 1 + 4);
}

TEST_F(InterpreterTest, AMissingDocumentZeroesBlocksUntilTheNextDocumentLine)
{
    EXPECT_EQ(Sum({"DESTFILE=NONE.PSD", "&&4", "DESTFILE ANSWER.PSD", "&&4", "DESTFILE=B.PSD", "&&2"}), 2);
}

TEST_F(InterpreterTest, AtMost1001LinesTakePart)
{
    std::vector<std::string> lines = {"DESTFILE=A.PSD", "&&1"};
    lines.resize(1000, "");
    lines.push_back("&&2");  // index 1000: the last line read
    EXPECT_EQ(Sum(lines), 3);
    lines.push_back("&&4");  // index 1001: never read, and the weight-2 block stays open
    EXPECT_EQ(Sum(lines), 1);
}

TEST_F(InterpreterTest, TheDocumentIsClosedAtTheEnd)
{
    CMarkSession session(exam.AnswerDirectory() + "\\", "\\");
    session.RunAnswerKey(AnswerKey({"DESTFILE=A.PSD", "&&1"}));
    EXPECT_EQ(session.documentHandle, -1);
}

}  // namespace
