#include "platform/headless/HeadlessLauncher.h"

#include <gtest/gtest.h>

using namespace vantrel::platform;

namespace {
struct LauncherWithProgram : ::testing::Test {
    CHeadlessLauncher launcher;
    std::vector<std::string> started;  // the arguments of each start
    void SetUp() override
    {
        launcher.RegisterProgram("C:\\Program Files\\Studio\\Photoshp.exe",
                                 [this](const std::string& args) { started.push_back(args); });
    }
};
}  // namespace

TEST_F(LauncherWithProgram, StartsTheProgramNamedByTheWholeCommandLineInAnyCase)
{
    EXPECT_EQ(launcher.Launch("c:\\program files\\studio\\PHOTOSHP.EXE", kShowNormal), 33u);
    EXPECT_EQ(launcher.Launch("C:\\Program Files\\Studio\\Photoshp.exe /Automation -x", kShowNormal), 33u);
    EXPECT_EQ(started, (std::vector<std::string>{"", "/Automation -x"}));
}

TEST_F(LauncherWithProgram, FailsLikeAMissingFileForAnythingElse)
{
    EXPECT_EQ(launcher.Launch("C:\\Program Files\\Studio\\Photoshp.exe2", kShowNormal), 2u);
    EXPECT_EQ(launcher.Launch("C:\\Program Files\\Studio", kShowNormal), 2u);
    EXPECT_EQ(launcher.Launch("", kShowNormal), 2u);
    EXPECT_EQ(launcher.Launch("D:\\Photoshp.exe", kShowNormal), 2u);
    EXPECT_TRUE(started.empty());
}

TEST_F(LauncherWithProgram, FaultSwitchFailsEveryLaunchAndTheJournalKeepsThemAll)
{
    launcher.SetLaunchFails(true);
    EXPECT_EQ(launcher.Launch("C:\\Program Files\\Studio\\Photoshp.exe", kShowNormal), 2u);
    EXPECT_TRUE(started.empty());
    launcher.SetLaunchFails(false);
    EXPECT_EQ(launcher.Launch("C:\\Program Files\\Studio\\Photoshp.exe", 1), 33u);

    ASSERT_EQ(launcher.Launches().size(), 2u);
    EXPECT_EQ(launcher.Launches()[0].result, 2u);
    EXPECT_EQ(launcher.Launches()[1].result, 33u);
    EXPECT_EQ(launcher.Launches()[1].showCommand, 1);
}

TEST_F(LauncherWithProgram, UnregisteredProgramNoLongerStarts)
{
    launcher.UnregisterProgram("C:\\PROGRAM FILES\\STUDIO\\PHOTOSHP.EXE");
    EXPECT_EQ(launcher.Launch("C:\\Program Files\\Studio\\Photoshp.exe", kShowNormal), 2u);
}
