#include "platform/posix/PosixFiles.h"

#include "TempDirectory.h"
#include "PsdWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace vantrel::platform;
using vantrel::testing::TempDirectory;

TEST(PosixFiles, OpensByCodePagePathAndReadsSeeksAndCloses)
{
    TempDirectory dir;
    std::filesystem::create_directory(dir.Path() / "Sub");
    vantrel::testing::WriteFile(dir / "Sub/Data.bin", {'0', '1', '2', '3', '4', '5'});

    CPosixFiles files;
    // Backslashes and another letter case, as an answer key writes them.
    std::string path = dir.Path().string() + "\\SUB\\DATA.BIN";
    int fd = files.OpenReadOnly(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(files.OpenCount(), 1u);

    char buffer[4] = {};
    EXPECT_EQ(files.Read(fd, buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "01");
    EXPECT_EQ(files.SeekFromCurrent(fd, 2), 4);
    EXPECT_EQ(files.Read(fd, buffer, 4), 2);
    EXPECT_EQ(std::string(buffer, 2), "45");
    EXPECT_EQ(files.Read(fd, buffer, 4), 0);

    files.Close(fd);
    EXPECT_EQ(files.OpenCount(), 0u);
    EXPECT_EQ(files.Read(fd, buffer, 1), -1);
}

TEST(PosixFiles, RefusesDirectoriesMissingFilesAndForeignHandles)
{
    TempDirectory dir;
    std::filesystem::create_directory(dir.Path() / "Folder");
    CPosixFiles files;
    EXPECT_EQ(files.OpenReadOnly(dir / "Folder"), -1);
    EXPECT_EQ(files.OpenReadOnly(dir / "missing.psd"), -1);
    EXPECT_EQ(files.OpenReadOnly(""), -1);
    // A FIFO nobody writes to would block an ordinary open for ever.
    ASSERT_EQ(::mkfifo((dir / "pipe.psd").c_str(), 0600), 0);
    EXPECT_EQ(files.OpenReadOnly(dir / "pipe.psd"), -1);
    EXPECT_EQ(files.OpenCount(), 0u);

    char byte;
    EXPECT_EQ(files.Read(0, &byte, 1), -1);  // standard input is not ours to read
    EXPECT_EQ(files.SeekFromCurrent(-1, 0), -1);
    files.Close(0);
    files.Close(-1);
}

TEST(PosixFiles, IdentifiesRegularFilesOnlyAndTellsTheirVersionsApart)
{
    TempDirectory dir;
    vantrel::testing::WriteFile(dir / "a.bin", {'1', '2'});
    vantrel::testing::WriteFile(dir / "b.bin", {'1', '2'});
    CPosixFiles files;
    const auto a = files.IdentifyFile(dir / "a.bin");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->size, 2u);
    EXPECT_EQ(files.IdentifyFile(dir / "a.bin"), a);
    EXPECT_NE(files.IdentifyFile(dir / "b.bin"), a);  // another file, however alike

    std::filesystem::last_write_time(dir / "a.bin", std::filesystem::last_write_time(dir / "a.bin") +
                                                         std::chrono::nanoseconds(1000));
    EXPECT_NE(files.IdentifyFile(dir / "a.bin"), a);

    EXPECT_FALSE(files.IdentifyFile(dir.Path().string()));
    EXPECT_FALSE(files.IdentifyFile(dir / "missing.bin"));
}
