#include <gtest/gtest.h>

#include "effects/session/EditorSession.h"
#include "effects/session/PhotoshopLocator.h"
#include "ScopedPlatform.h"

using namespace vantrel::effects::session;

namespace {

using vantrel::effects::session::CPhotoshopLocator;
using vantrel::platform::RegistryRoot;

class LocatorTest : public ::testing::Test {
protected:
    void SetServer(const std::string& commandLine)
    {
        platform->Registry().SetString(RegistryRoot::ClassesRoot, "Photoshop.Application\\CLSID", "", "{C1}");
        platform->Registry().SetString(RegistryRoot::ClassesRoot, "CLSID\\{C1}\\LocalServer32", "", commandLine);
    }
    void SetApplicationPath(const std::string& path, std::uint32_t type = vantrel::platform::kRegSz)
    {
        platform->Registry().SetValue(RegistryRoot::LocalMachine, "SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath",
                                      "", type, path);
    }
    vantrel::testing::ScopedPlatform<> platform;
    CPhotoshopLocator locator;
};

TEST_F(LocatorTest, NoRegistryEntriesGiveTheDefaultPath)
{
    EXPECT_EQ(locator.FindPhotoshopExe(), "C:\\Program Files\\Adobe\\Photoshop 6.0\\PHOTOSHP.EXE");
}

TEST_F(LocatorTest, TheServerCommandLineLosesItsSwitchesButKeepsItsCase)
{
    SetServer("D:\\Tools\\Adobe\\Photoshp.exe /Automation");
    SetApplicationPath("E:\\Other");
    EXPECT_EQ(locator.FindPhotoshopExe(), "D:\\Tools\\Adobe\\Photoshp.exe");
    SetServer("D:\\Tools\\editor.exe -embedding");
    EXPECT_EQ(locator.FindPhotoshopExe(), "D:\\Tools\\editor.exe -embedding");
    SetServer("PHOTOSHP.EXE /x");  // found at the very start: used whole
    EXPECT_EQ(locator.ExeFromAutomationServer(), "PHOTOSHP.EXE /x");
}

TEST_F(LocatorTest, AClassIdWithoutAServerFallsBackToTheApplicationPath)
{
    platform->Registry().SetString(RegistryRoot::ClassesRoot, "Photoshop.Application\\CLSID", "", "{C2}");
    SetApplicationPath("D:\\PS6");
    EXPECT_EQ(locator.FindPhotoshopExe(), "D:\\PS6\\PHOTOSHP.EXE");
    SetApplicationPath("D:\\PS6\\");
    EXPECT_EQ(locator.FindPhotoshopExe(), "D:\\PS6\\PHOTOSHP.EXE");
}

TEST_F(LocatorTest, OnlyPlainStringsCount)
{
    SetApplicationPath("%ProgramFiles%\\PS6", vantrel::platform::kRegExpandSz);
    EXPECT_EQ(locator.ExeFromApplicationPath(), "");
    EXPECT_EQ(locator.FindPhotoshopExe(), locator.DefaultPhotoshopExe());
}

TEST_F(LocatorTest, RegistryStringsStopAtTheBufferAndTheFirstZero)
{
    SetApplicationPath(std::string(2000, 'x'));
    EXPECT_EQ(vantrel::effects::session::ReadRegistryString(RegistryRoot::LocalMachine,
                                          "SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath", "")
                  .size(),
              1023u);
    SetApplicationPath(std::string("D:\\A\0junk", 9));
    EXPECT_EQ(locator.ExeFromApplicationPath(), "D:\\A\\PHOTOSHP.EXE");
}

TEST_F(LocatorTest, ExecutablePathsOfAtMost263CharactersAreLaunched)
{
    platform->MessageBox().SetEchoToStandardError(false);
    SetApplicationPath(std::string(250, 'D'));  // with "\PHOTOSHP.EXE", 263 characters
    EXPECT_FALSE(CEditorSession().Start());     // nothing is installed there
    SetApplicationPath(std::string(251, 'D'));
    EXPECT_FALSE(CEditorSession().Start());
    ASSERT_EQ(platform->Launcher().Launches().size(), 1u);
    EXPECT_EQ(platform->Launcher().Launches()[0].commandLine.size(), 263u);
    EXPECT_EQ(platform->MessageBox().Messages().size(), 2u);
}

}  // namespace
