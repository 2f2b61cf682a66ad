#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/win32/Win32Automation.h"
#include "studio/app/StudioAutomationIds.h"
#include "support/PsdWriter.h"
#include "support/TempDirectory.h"

using namespace vantrel::platform;

namespace {

// The studio program beside this test program, run with a switch; its exit code.
DWORD RunStudio(const std::string& arguments)
{
    char self[MAX_PATH + 1] = {};
    std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    path = path.substr(0, path.find_last_of('\\') + 1) + "vantrel-studio.exe";
    std::string line = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Waits for every running studio program to end, and ends those still running after a while,
// so that none outlives the test holding its output open; how many had to be ended.
int EndStudioPrograms()
{
    int ended = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "vantrel-studio.exe") != 0) continue;
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) {
            TerminateProcess(process, 1);
            ++ended;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
}

TEST(StudioServer, RegistersAndServesPhotoshopApplicationFromItsOwnProcess)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(RunStudio("/RegServer"), 0u);
    vantrel::testing::TempDirectory dir;
    vantrel::testing::PsdSpec psd;
    psd.width = 64;
    psd.height = 48;
    vantrel::testing::FillPlanes(psd, [](int, int, int) { return 77; });
    vantrel::testing::WriteFile(dir / "FLOWER.PSD", vantrel::testing::WritePsd(psd));
    {
        // COM starts the program from its registration, as it would for the editor.
        AutomationRef photoshop = CWin32Automation().CreateObject("Photoshop.Application");
        ASSERT_NE(photoshop, nullptr);
        photoshop->Invoke(vantrel::studio::app::kDispidAppFlag, kDispatchPropertyPut, {Variant::Bool(true)});
        const Variant document = photoshop->Invoke(vantrel::studio::app::kDispidOpenDocument, kDispatchMethod,
                                                   {Variant::String(dir / "FLOWER.PSD")});
        ASSERT_EQ(document.type, Variant::Type::Dispatch);
        bool windowShown = false;
        EnumWindows(
            [](HWND window, LPARAM shown) {
                char title[200] = {};
                GetWindowTextA(window, title, sizeof title);
                *reinterpret_cast<bool*>(shown) |= std::string(title).find("Photoshop") != std::string::npos;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windowShown));
        EXPECT_TRUE(windowShown);
        document.object->Invoke(vantrel::studio::app::kDispidEndDocument, kDispatchMethod, {});
        photoshop->Invoke(vantrel::studio::app::kDispidEndApplication, kDispatchMethod, {});
    }
    EXPECT_EQ(EndStudioPrograms(), 0) << "a studio program was still running after EndApplication";
    EXPECT_EQ(RunStudio("/UnregServer"), 0u);
    EXPECT_EQ(RunStudio("/UnregServer"), 1u);  // nothing of its own left to remove
    CoUninitialize();
}

}  // namespace
