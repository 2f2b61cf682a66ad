#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempDirectory.h"
#include "text/CodePage.h"
#include "platform/posix/PathResolver.h"

namespace {

using vantrel::platform::ResolveExistingPath;

class PathResolverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.Path() / "Exam" / "001");
        std::ofstream(dir.Path() / "Exam" / "001" / "answer1.psd") << "x";
        std::ofstream(dir.Path() / "Exam" / "001" / "\xE6\x98\xBE\xE7\xA4\xBA.psd") << "x";
    }
    vantrel::testing::TempDirectory dir;
};

TEST_F(PathResolverTest, MatchesComponentsWithoutRegardToCaseAndEitherSeparator)
{
    const std::string expected = (dir.Path() / "Exam" / "001" / "answer1.psd").string();
    EXPECT_EQ(ResolveExistingPath(dir.Path().string() + "\\EXAM\\001\\ANSWER1.PSD"), expected);
    EXPECT_EQ(ResolveExistingPath(dir.Path().string() + "/exam/001//Answer1.psd"), expected);
}

TEST_F(PathResolverTest, Cp936NamesAreConvertedToTheFileSystemsUtf8)
{
    vantrel::text::SetCodePage(vantrel::text::CodePage::Cp936);
    auto resolved = ResolveExistingPath(dir.Path().string() + "\\EXAM\\001\\\xCF\xD4\xCA\xBE.PSD");
    ASSERT_TRUE(resolved);
    EXPECT_EQ(*resolved, (dir.Path() / "Exam" / "001" / "\xE6\x98\xBE\xE7\xA4\xBA.psd").string());
}

TEST_F(PathResolverTest, MissingComponentsAndOverlongPathsResolveToNothing)
{
    EXPECT_FALSE(ResolveExistingPath(dir.Path().string() + "\\EXAM\\002\\ANSWER1.PSD"));
    EXPECT_FALSE(ResolveExistingPath(dir.Path().string() + "\\EXAM\\001\\ANSWER2.PSD"));
    EXPECT_FALSE(ResolveExistingPath(""));
    EXPECT_FALSE(ResolveExistingPath(std::string(5000, 'a')));
}

}  // namespace
