#include "module/win32/MsvcBoundary.h"

#include "support/ExamFolders.h"
#include "support/ScopedPlatform.h"
#include "support/ThrowingReadPlatform.h"

#include <gtest/gtest.h>

using namespace vantrel::testing;

TEST(MsvcBoundary, MembersBehaveAsTheClassDoes)
{
    ScopedPlatform<> platform;
    ExamFolders exam;
    exam.WriteAnswer("A.PSD", HeaderOnly(640, 480, 3, 3));
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&7 IMAGE(WIDTH=640)", "&&2 IMAGE(HEIGHT=1)"});

    alignas(CQelMarkPhotoShop) unsigned char storage[sizeof(CQelMarkPhotoShop)];
    CQelMarkPhotoShop* grader = vantrel_msvc_construct(reinterpret_cast<CQelMarkPhotoShop*>(storage));
    EXPECT_EQ(static_cast<void*>(grader), storage);
    EXPECT_EQ(vantrel_msvc_get_mark(grader, key.c_str(), exam.AnswerDirectory().c_str(), ""), 7 * 0.1);

    CQelMarkPhotoShop other;
    vantrel_msvc_mark_ps(&other, AnswerKey({"DESTFILE=A.PSD", "&&3"}).c_str(), exam.AnswerDirectory().c_str(), "");
    EXPECT_EQ(other.mark, 3 * 0.1);
    EXPECT_EQ(vantrel_msvc_assign(grader, &other), grader);
    EXPECT_EQ(grader->mark, 3 * 0.1);
    vantrel_msvc_destroy(grader);
}

TEST(MsvcBoundary, MarkPSKeepsGradingsExceptionsOnThisSide)
{
    ExamFolders exam;
    exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3));
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&3"});
    ScopedPlatform<ThrowingReadPlatform> failing;
    CQelMarkPhotoShop grader;
    grader.mark = 0.5;
    // The member lets the exception through to a caller of this compiler...
    EXPECT_THROW(grader.MarkPS(key.c_str(), exam.AnswerDirectory().c_str(), ""), std::runtime_error);
    grader.mark = 0.5;
    // ...the boundary does not, and the mark is what GetMark would return.
    vantrel_msvc_mark_ps(&grader, key.c_str(), exam.AnswerDirectory().c_str(), "");
    EXPECT_EQ(grader.mark, 0);
    EXPECT_EQ(failing->Files().OpenCount(), 0u);
}
