// Grading as exam offices run it: folders and names outside ASCII, names that end in a
// separator, documents handed in as links, and huge keys. Through the C interface, on the
// build's own platform with the studio.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "ExamFolders.h"
#include "TempDirectory.h"
#include "vantrel/vantrel.h"

namespace {

namespace fs = std::filesystem;
using vantrel::testing::AnswerKey;
using vantrel::testing::HeaderOnly;
using vantrel::testing::RgbDocument;

class FoldersAndNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vantrel_set_codepage("cp936");
        answers = root.Path() / "\xE8\x80\x83\xE8\xAF\x95" / "\xE7\xAD\x94\xE6\xA1\x88";  // 考试/答案
        keys = root.Path() / "\xE8\x80\x83\xE8\xAF\x95" / "keys";
        fs::create_directories(answers);
        fs::create_directories(keys);
        Write(answers / "A.PSD", HeaderOnly(800, 600, 3, 3));
    }
    static void Write(const fs::path& file, const vantrel::testing::PsdSpec& psd)
    {
        vantrel::testing::WriteFile(file.string(), vantrel::testing::WritePsd(psd));
    }
    static vantrel::testing::PsdSpec Solid(std::uint32_t rgb)
    {
        return RgbDocument(40, 30, [rgb](int, int) { return rgb; });
    }
    double Grade(const std::vector<std::string>& lines, const fs::path& answerFolder) const
    {
        return vantrel_get_mark(AnswerKey(lines).c_str(), answerFolder.c_str(), keys.c_str());
    }
    double Grade(const std::vector<std::string>& lines) const { return Grade(lines, answers); }

    vantrel::testing::TempDirectory root;
    fs::path answers;
    fs::path keys;
};

TEST_F(FoldersAndNamesTest, FolderArgumentsAreTheFileSystemsOwnNames)
{
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 IMAGE(WIDTH=800)"}), 1);
    // A reference that differs must lower the mark, not count as one that cannot be opened.
    Write(answers / "P.PSD", Solid(0xFF0000));
    Write(keys / "R.PSD", Solid(0x0000FF));
    EXPECT_LT(Grade({"DESTFILE=P.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD)"}), 0.9);
    // A host may still pass a folder in the code page.
    const fs::path cp936 = root.Path() / "\xBF\xBC";  // 考 in CP936
    fs::create_directories(root.Path() / "\xE8\x80\x83");
    Write(root.Path() / "\xE8\x80\x83" / "A.PSD", HeaderOnly(800, 600, 3, 3));
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 IMAGE(WIDTH=800)"}, cp936), 1);
}

TEST_F(FoldersAndNamesTest, NamesTheKeyUpperCasesAreFound)
{
    Write(answers / "\xCE\xB1.psd", HeaderOnly(800, 600, 3, 3));       // α.psd
    Write(answers / "\xD0\xB6.psd", HeaderOnly(800, 600, 3, 3));       // ж.psd
    Write(answers / "\xE2\x85\xB0.psd", HeaderOnly(800, 600, 3, 3));   // ⅰ.psd
    for (const char* name : {"\xA6\xC1.psd", "\xA7\xD8.psd", "\xA2\xA1.psd"})
        EXPECT_EQ(Grade({std::string("DESTFILE=") + name, "&&10 IMAGE(WIDTH=800)"}), 1) << name;
}

TEST_F(FoldersAndNamesTest, ANameEndingInASeparatorNamesNoDocument)
{
    Write(answers / "SAME.PSD", Solid(0x336699));
    Write(keys / "SAME.PSD", Solid(0x336699));
    // A reference that cannot be opened gives full credit; an empty window name would have
    // compared the editor's grey background instead.
    EXPECT_EQ(Grade({"DESTFILE=SAME.PSD", "&&10 EFFECT(SOURCEFILE=SAME.PSD\\)"}), 1);
    EXPECT_EQ(Grade({"DESTFILE=SAME.PSD/", "&&10"}), 0);
    // 誠 ends in the byte of "\", which is no separator inside the character.
    Write(answers / "A\xE8\xAA\xA0", Solid(0xCC2200));
    Write(keys / "R.PSD", Solid(0xCC2200));
    EXPECT_EQ(Grade({"DESTFILE=A\xD5\x5C", "&&10 EFFECT(SOURCEFILE=R.PSD)"}), 1);
}

TEST_F(FoldersAndNamesTest, ALinkOutOfTheAnswerFolderIsNoDocument)
{
    Write(keys / "R.PSD", Solid(0x336699));
    fs::create_symlink(keys / "R.PSD", answers / "E.PSD");
    EXPECT_EQ(Grade({"DESTFILE=E.PSD", "&&10"}), 0);
    // Nor for an effect, which would compare the reference with itself.
    EXPECT_EQ(Grade({"DESTFILE=E.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD)"}), 0);
    fs::create_directory_symlink(keys, answers / "SUB");
    EXPECT_EQ(Grade({"DESTFILE=SUB\\R.PSD", "&&10"}), 0);
    // The answer folder itself may be reached through a link, and links inside it may stay inside.
    fs::create_directory_symlink(answers, root.Path() / "linked");
    fs::create_symlink(answers / "A.PSD", answers / "B.PSD");
    EXPECT_EQ(Grade({"DESTFILE=B.PSD", "&&10"}, root.Path() / "linked"), 1);
}

TEST_F(FoldersAndNamesTest, AParentFolderTheKeyNamesIsFollowedAsWritten)
{
    fs::create_directories(answers.parent_path() / "OTHER");
    Write(answers.parent_path() / "OTHER" / "C.PSD", Solid(0x336699));
    Write(keys / "R.PSD", Solid(0x336699));
    EXPECT_EQ(Grade({"DESTFILE=..\\OTHER\\C.PSD", "&&10 IMAGE(WIDTH=40)"}), 1);
    EXPECT_EQ(Grade({"DESTFILE=..\\OTHER\\C.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD)"}), 1);
    // Out and back in again passes the links inside as any other way in does.
    fs::create_symlink(keys / "R.PSD", answers / "E.PSD");
    EXPECT_EQ(Grade({"DESTFILE=..\\KEYS\\..\\\xB4\xF0\xB0\xB8\\E.PSD", "&&10"}), 0);  // ..\KEYS\..\答案\E.PSD
}

TEST_F(FoldersAndNamesTest, AHugeKeyCostsNoMoreThanItsOwnBytes)
{
    // Run in a child, so that its peak memory is its own.
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::string key = "DESTFILE=A.PSD\r\n&&10\r\n&&0\r\n";
        for (int i = 0; i < 10'000'000; ++i) key += "\r\n";
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        const double mark = vantrel_get_mark(key.c_str(), answers.c_str(), keys.c_str());
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        const long grownKb = after.ru_maxrss - before.ru_maxrss;
        // The key is 20 MB; keeping every line's bounds took over 300 MB.
        ::_exit(mark == 1 && grownKb < 3 * 20'000 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
