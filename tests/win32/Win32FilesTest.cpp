#include "platform/win32/Win32Files.h"

#include "support/TempDirectory.h"
#include "text/CodePage.h"

#include <windows.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

using namespace vantrel::platform;

namespace {

// Bytes that text mode would alter: CR LF pairs and a Ctrl-Z that text mode reads as the end.
const std::string kDocumentBytes("8BPS\r\n\x1A\r\0\x01tail", 14);

void WriteWide(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadAll(CWin32Files& files, int handle)
{
    std::string bytes;
    char buffer[4];
    for (long got; (got = files.Read(handle, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}

class Win32FilesTest : public ::testing::Test {
protected:
    vantrel::testing::TempDirectory dir;
    std::string folder = dir.Path().string() + "\\";
    CWin32Files files;
};

}  // namespace

TEST_F(Win32FilesTest, ReadsDocumentsAsBinaryAndSeeksAndCloses)
{
    WriteWide(dir.Path() / "a.psd", kDocumentBytes);
    // The file system matches letter case itself.
    const int handle = files.OpenReadOnly(folder + "A.PSD");
    ASSERT_GE(handle, 0);
    EXPECT_EQ(ReadAll(files, handle), kDocumentBytes);
    EXPECT_EQ(files.SeekFromCurrent(handle, -4), 10);
    EXPECT_EQ(ReadAll(files, handle), "tail");
    EXPECT_EQ(files.OpenCount(), 1u);
    files.Close(handle);
    EXPECT_EQ(files.OpenCount(), 0u);
    EXPECT_EQ(files.Read(handle, nullptr, 0), -1);
    EXPECT_EQ(files.SeekFromCurrent(12345, 0), -1);
}

TEST_F(Win32FilesTest, OnlyExistingRegularFilesOpen)
{
    std::filesystem::create_directory(dir.Path() / "FOLDER.PSD");
    EXPECT_EQ(files.OpenReadOnly(folder + "FOLDER.PSD"), -1);
    EXPECT_EQ(files.OpenReadOnly(folder + "MISSING.PSD"), -1);
    EXPECT_EQ(files.OpenReadOnly(folder), -1);
    EXPECT_EQ(files.OpenReadOnly("NUL"), -1);
    EXPECT_EQ(files.OpenCount(), 0u);
    EXPECT_FALSE(files.ResolvePath(folder + "MISSING.PSD"));
    EXPECT_EQ(files.ResolvePath(folder + "FOLDER.PSD"), folder + "FOLDER.PSD");
}

TEST_F(Win32FilesTest, OnlyALinkInsideTheFolderLeadingOutOfItIsPassed)
{
    std::filesystem::create_directory(dir.Path() / "answers");
    WriteWide(dir.Path() / "answers" / "A.PSD", kDocumentBytes);
    WriteWide(dir.Path() / "R.PSD", kDocumentBytes);
    const std::string answers = folder + "answers\\";
    EXPECT_FALSE(files.PassesLinkOutOf(answers, answers + "A.PSD"));
    EXPECT_FALSE(files.PassesLinkOutOf(folder + "ANSWERS", answers + "a.psd"));
    // A ".." is the key's own way out, not a link.
    EXPECT_FALSE(files.PassesLinkOutOf(answers, answers + "..\\R.PSD"));
    EXPECT_FALSE(files.PassesLinkOutOf(answers, answers + "MISSING.PSD"));
    EXPECT_FALSE(files.PassesLinkOutOf(answers, answers));
    std::error_code error;
    std::filesystem::create_symlink(dir.Path() / "R.PSD", dir.Path() / "answers" / "E.PSD", error);
    if (error) GTEST_SKIP() << "this system makes no symbolic links: " << error.message();
    EXPECT_TRUE(files.PassesLinkOutOf(answers, answers + "E.PSD"));
    EXPECT_TRUE(files.PassesLinkOutOf(answers, answers + "..\\answers\\E.PSD"));
}

TEST_F(Win32FilesTest, GbkNamesOpenUnderCodePage936)
{
    if (GetACP() != 936) GTEST_SKIP() << "needs ANSI code page 936 (a zh_CN locale)";
    // 答卷.psd, and 乗.psd whose second byte is 0x5C, the backslash.
    WriteWide(dir.Path() / L"\u7B54\u5377.psd", kDocumentBytes);
    WriteWide(dir.Path() / L"\u4E57.psd", kDocumentBytes);
    for (const char* name : {"\xB4\xF0\xBE\xED.PSD", "\x81\x5C.psd"}) {
        const int handle = files.OpenReadOnly(folder + name);
        ASSERT_GE(handle, 0) << name;
        EXPECT_EQ(ReadAll(files, handle), kDocumentBytes);
        files.Close(handle);
        EXPECT_FALSE(files.PassesLinkOutOf(folder, folder + name));
    }
    // A trail byte 0x5C ends no folder name.
    vantrel::text::SetCodePage(vantrel::text::CodePage::Cp936);
    EXPECT_TRUE(files.ResolvePath(folder + "\x81\x5C.psd"));
    EXPECT_FALSE(files.ResolvePath(folder + "\x81\x5C.psd\\"));
}
