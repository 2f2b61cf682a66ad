#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "grading/Grading.h"
#include "ExamFolders.h"
#include "ScopedPlatform.h"
#include "ThrowingReadPlatform.h"
#include "vantrel/vantrel.h"

namespace {

using vantrel::testing::AnswerKey;
using vantrel::testing::ExamFolders;
using vantrel::testing::HeaderOnly;
using vantrel::testing::ScopedPlatform;
using vantrel::testing::ThrowingReadPlatform;

class GradingTest : public ::testing::Test {
protected:
    void SetUp() override { exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3)); }
    ScopedPlatform<> platform;
    ExamFolders exam;
};

TEST_F(GradingTest, TheSumIsScaledAndClamped)
{
    EXPECT_DOUBLE_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&7.5"})), 0.75);
    EXPECT_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&10"})), 1);
    EXPECT_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&12.5"})), 1);
    EXPECT_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&-3"})), 0);
    EXPECT_DOUBLE_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&6", "&&-2 IMAGE(WIDTH=800)"})), 0.4);
    // A weight too large for a double is infinite, one too small is zero, whatever the
    // exponent's sign says.
    EXPECT_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&" + std::string(500, '1') + "e-100"})), 1);
    EXPECT_DOUBLE_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&-0." + std::string(500, '0') + "1e+100", "&&1"})), 0.1);
}

TEST_F(GradingTest, EmptyNullAndOneLineKeysGiveZero)
{
    CQelMarkPhotoShop grader;
    EXPECT_EQ(grader.GetMark(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(grader.GetMark("", exam.AnswerDirectory().c_str(), ""), 0);
    EXPECT_EQ(exam.Grade("DESTFILE=A.PSD\n&&4"), 0);
}

TEST_F(GradingTest, DirectoriesWithAndWithoutTrailingBackslashAgree)
{
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&5 IMAGE(WIDTH=800)"});
    CQelMarkPhotoShop grader;
    EXPECT_EQ(grader.GetMark(key.c_str(), exam.AnswerDirectory().c_str(), "K"), 0.5);
    EXPECT_EQ(grader.GetMark(key.c_str(), (exam.AnswerDirectory() + "\\").c_str(), "K\\"), 0.5);
}

TEST_F(GradingTest, CallsAreIndependentAndAssignmentCopiesTheMark)
{
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&3"});
    CQelMarkPhotoShop first;
    const double mark = first.GetMark(key.c_str(), exam.AnswerDirectory().c_str(), "");
    EXPECT_DOUBLE_EQ(mark, 0.3);
    EXPECT_EQ(first.GetMark(key.c_str(), exam.AnswerDirectory().c_str(), ""), mark);
    CQelMarkPhotoShop second;
    second = first;
    EXPECT_EQ(second.mark, mark);
    static_assert(sizeof(CQelMarkPhotoShop) == sizeof(double));
}

TEST_F(GradingTest, EveryDocumentIsClosed)
{
    exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&3", "DESTFILE=A.PSD", "&&3", "&&D&&"}));
    EXPECT_EQ(platform->Files().OpenCount(), 0u);
}

TEST(GradingFailures, AnExceptionOutsideCriteriaGivesZeroAndClosesTheDocument)
{
    ExamFolders exam;
    exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3));
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&3"});
    {
        ScopedPlatform<ThrowingReadPlatform> failing;
        CQelMarkPhotoShop grader;
        EXPECT_THROW(grader.MarkPS(key.c_str(), exam.AnswerDirectory().c_str(), ""), std::runtime_error);
        EXPECT_EQ(grader.GetMark(key.c_str(), exam.AnswerDirectory().c_str(), ""), 0);
        EXPECT_EQ(failing->Files().OpenCount(), 0u);
    }
    EXPECT_DOUBLE_EQ(exam.Grade(key), 0.3);
}

// A host that grades again from its window procedure while the first call's message box runs
// its modal loop, on the same thread.
struct ReenteringMessageBox : vantrel::platform::CRecordingMessageBox {
    void Show(const std::string& text) override
    {
        CRecordingMessageBox::Show(text);
        inner = CQelMarkPhotoShop().GetMark(key.c_str(), directory.c_str(), "");
    }
    std::string key, directory;
    double inner = -1;
};
struct ReenteringPlatform : vantrel::platform::CHeadlessPlatform {
    ReenteringMessageBox& MessageBox() override { return box; }
    ReenteringMessageBox box;
};

TEST(GradingFailures, AGradingCallMadeAgainOnTheSameThreadGivesZeroInsteadOfWaitingForItself)
{
    ExamFolders exam;
    exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3));
    ScopedPlatform<ReenteringPlatform> platform;
    platform->box.SetEchoToStandardError(false);
    platform->Launcher().SetLaunchFails(true);
    platform->box.key = AnswerKey({"DESTFILE=A.PSD", "&&4"});
    platform->box.directory = exam.AnswerDirectory();
    EXPECT_DOUBLE_EQ(exam.Grade(AnswerKey({"DESTFILE=A.PSD", "&&3", "&&5 EFFECT(SOURCEFILE=B.PSD)"})), 0.3);
    EXPECT_EQ(platform->box.inner, 0);
    EXPECT_DOUBLE_EQ(exam.Grade(platform->box.key), 0.4);  // and the next call grades again
}

TEST_F(GradingTest, TheCInterfaceGradesAndSelectsTheCodePage)
{
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&4"});
    EXPECT_EQ(vantrel_get_mark(key.c_str(), exam.AnswerDirectory().c_str(), ""), 0.4);
    EXPECT_EQ(vantrel_get_mark(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(vantrel_set_codepage("ebcdic"), -1);
    EXPECT_EQ(vantrel_set_codepage(nullptr), -1);
#ifndef _WIN32  // Windows keeps its ANSI code page, as the Windows tests check
    EXPECT_EQ(vantrel_set_codepage("utf-8"), 0);
    EXPECT_EQ(vantrel_set_codepage("CP936"), 0);
#endif
}

TEST_F(GradingTest, OverlappingCallsFromThreadsAgree)
{
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&4 IMAGE(WIDTH=800)", "&&3 IMAGE(HEIGHT=1)"});
    std::vector<double> marks(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < marks.size(); ++i)
        threads.emplace_back([&, i] {
            for (int n = 0; n < 20 && marks[i] != -1; ++n) {
                double mark = exam.Grade(key);
                marks[i] = mark == 0.4 ? mark : -1;
            }
        });
    for (auto& thread : threads) thread.join();
    for (double mark : marks) EXPECT_EQ(mark, 0.4);
}

struct RecordingObserver : vantrel::grading::IGradingObserver {
    void OnBlockScored(const vantrel::grading::CBlockReport& report) override { blocks.push_back(report); }
    std::vector<vantrel::grading::CBlockReport> blocks;
};

TEST_F(GradingTest, AnObserverSeesEachBlock)
{
    RecordingObserver observer;
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&4 IMAGE(WIDTH=800)", "IMAGE(HEIGHT=1)", "&&2"});
    const std::string dir = exam.AnswerDirectory();
    EXPECT_DOUBLE_EQ(vantrel::grading::GradeAnswerKey(key.c_str(), dir.c_str(), "", &observer), 0.2);
    ASSERT_EQ(observer.blocks.size(), 2u);
    EXPECT_EQ(observer.blocks[0].lineNumber, 2);
    EXPECT_EQ(observer.blocks[0].weight, 4);
    EXPECT_EQ(observer.blocks[0].criteria, (std::vector<std::string>{"IMAGE(WIDTH=800)", "IMAGE(HEIGHT=1)"}));
    EXPECT_EQ(observer.blocks[0].score, 0);
    EXPECT_EQ(observer.blocks[1].lineNumber, 4);
    EXPECT_EQ(observer.blocks[1].score, 2);
}

}  // namespace
