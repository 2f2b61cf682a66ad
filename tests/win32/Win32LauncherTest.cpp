#include "platform/win32/Win32Launcher.h"

#include "support/TempDirectory.h"

#include <windows.h>

#include <filesystem>

#include <gtest/gtest.h>

using namespace vantrel::platform;

namespace {

std::string SystemProgram(const char* name)
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length) + "\\" + name;
}

bool RegistryKeyAppears(const std::string& subKey, DWORD waitMs)
{
    for (DWORD waited = 0; waited <= waitMs; waited += 50) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return true;
        }
        Sleep(50);
    }
    return false;
}

}  // namespace

TEST(Win32Launcher, StartsAProgramWhosePathHasSpaces)
{
    // reg.exe copied into a folder with a space leaves a registry key behind: proof that the
    // quoted path started the program, with its arguments.
    vantrel::testing::TempDirectory dir;
    const std::filesystem::path folder = dir.Path() / "editor folder";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(SystemProgram("reg.exe"), folder / "reg.exe");
    const std::string subKey = "Software\\vantrel-launch-" + std::to_string(GetCurrentProcessId());
    const std::string line = "\"" + (folder / "reg.exe").string() + "\" add HKCU\\" + subKey + " /f";

    CWin32Launcher launcher;
    EXPECT_GE(launcher.Launch(line, kShowNormal), 32u);
    EXPECT_TRUE(RegistryKeyAppears(subKey, 10000));
    RegDeleteTreeA(HKEY_CURRENT_USER, subKey.c_str());
}

std::string BesideThisProgram(const char* name)
{
    char self[MAX_PATH + 1] = {};
    const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

TEST(Win32Launcher, AValueWithArgumentsIsACommandLineAsWinExecTakesIt)
{
    vantrel::testing::TempDirectory dir;
    std::filesystem::copy_file(SystemProgram("reg.exe"), dir.Path() / "reg.exe");
    const std::string subKey = "Software\\vantrel-arguments-" + std::to_string(GetCurrentProcessId());
    CWin32Launcher launcher;
    EXPECT_GE(launcher.Launch((dir.Path() / "reg.exe").string() + " add HKCU\\" + subKey + " /f", kShowNormal), 32u);
    EXPECT_TRUE(RegistryKeyAppears(subKey, 10000));
    RegDeleteTreeA(HKEY_CURRENT_USER, subKey.c_str());
}

TEST(Win32Launcher, ReturnsOnceTheProgramIsReadyForInput)
{
    const std::string title = "vantrel late window " + std::to_string(GetCurrentProcessId());
    CWin32Launcher launcher;
    ASSERT_GE(launcher.Launch("\"" + BesideThisProgram("vantrel_late_window.exe") + "\" " + title, kShowNormal), 32u);
    HWND window = FindWindowA(nullptr, title.c_str());
    EXPECT_NE(window, nullptr) << "the window did not exist when the launch returned";
    for (int waited = 0; window == nullptr && waited < 5000; waited += 50, Sleep(50))
        window = FindWindowA(nullptr, title.c_str());
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
}

TEST(Win32Launcher, AnswersInWinExecCodes)
{
    vantrel::testing::TempDirectory dir;
    CWin32Launcher launcher;
    EXPECT_GE(launcher.Launch(SystemProgram("hostname.exe"), kShowNormal), 32u);
    EXPECT_EQ(launcher.Launch((dir.Path() / "missing.exe").string(), kShowNormal), 2u);
    EXPECT_LT(launcher.Launch((dir.Path() / "no folder" / "missing.exe").string(), kShowNormal), 32u);
    EXPECT_EQ(launcher.Launch("", kShowNormal), 2u);
    EXPECT_EQ(WinExecCodeOf(ERROR_BAD_EXE_FORMAT), 11u);
    EXPECT_EQ(WinExecCodeOf(ERROR_NOT_ENOUGH_MEMORY), 0u);
    // No failure may read as a start: a sharing violation is 32.
    EXPECT_LT(WinExecCodeOf(ERROR_SHARING_VIOLATION), 32u);
    for (unsigned long error = 0; error < 20000; ++error) ASSERT_LT(WinExecCodeOf(error), 32u) << error;
}
