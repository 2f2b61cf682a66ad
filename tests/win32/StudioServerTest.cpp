#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "ScopedPlatform.h"
#include "effects/session/PhotoshopLocator.h"
#include "hosting/win32/AutomationClassFactory.h"
#include "hosting/win32/ServerLifetime.h"
#include "platform/win32/Win32Automation.h"
#include "platform/win32/Win32Launcher.h"
#include "platform/win32/Win32Platform.h"
#include "studio/app/StudioAutomationIds.h"
#include "support/PsdWriter.h"
#include "support/TempDirectory.h"

using namespace vantrel::platform;

namespace {

std::string StudioProgram()
{
    char self[MAX_PATH + 1] = {};
    const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + "vantrel-studio.exe";
}

// The studio program beside this test program, run with a switch; its exit code.
DWORD RunStudio(const std::string& arguments)
{
    std::string line = "\"" + StudioProgram() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

int RunningStudios()
{
    int running = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        running += lstrcmpiA(entry.szExeFile, "vantrel-studio.exe") == 0;
    CloseHandle(snapshot);
    return running;
}

// Whether every studio has ended within the time; those still running are ended, so that none
// outlives the test holding its output open.
bool StudiosEndWithin(DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 100, Sleep(100))
        if (RunningStudios() == 0) return true;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "vantrel-studio.exe") != 0) continue;
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
    return false;
}

class StudioServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(RunStudio("/RegServer"), 0u);
    }
    void TearDown() override
    {
        EXPECT_EQ(RunStudio("/UnregServer"), 0u);
        CoUninitialize();
    }
    AutomationRef Connect() { return CWin32Automation().CreateObject("Photoshop.Application"); }
};

// Whether the studio's class names its server in one view of the registry.
bool ServerRegisteredIn(REGSAM view)
{
    HKEY key = nullptr;
    const std::string path = std::string("CLSID\\") + vantrel::studio::app::kStudioClassId + "\\LocalServer32";
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

TEST_F(StudioServer, OneStudioServesASessionAndEndsWhenItsClientsLetGoOrFallSilent)
{
    // 32-bit graders on 64-bit Windows read class keys from the 32-bit view, 64-bit ones not.
    EXPECT_TRUE(ServerRegisteredIn(KEY_WOW64_32KEY));
    EXPECT_TRUE(ServerRegisteredIn(KEY_WOW64_64KEY));
    vantrel::testing::TempDirectory dir;
    vantrel::testing::PsdSpec psd{.width = 64, .height = 48};
    vantrel::testing::FillPlanes(psd, [](int, int, int) { return 77; });
    vantrel::testing::WriteFile(dir / "FLOWER.PSD", vantrel::testing::WritePsd(psd));
    {
        // Found in the registry view of this program's own width, and launched as the grader does.
        vantrel::testing::ScopedPlatform<CWin32Platform> windows;
        const std::string exe = vantrel::effects::session::CPhotoshopLocator().FindPhotoshopExe();
        ASSERT_NE(exe.find("vantrel-studio.exe"), std::string::npos) << exe;
        ASSERT_GE(CWin32Launcher().Launch(exe, kShowNormal), 32u);
        EXPECT_EQ(RunningStudios(), 1);
        AutomationRef photoshop = Connect();
        ASSERT_NE(photoshop, nullptr);
        EXPECT_EQ(RunningStudios(), 1) << "connecting started a second studio";
        photoshop->Call(vantrel::studio::app::kDispidAppFlag, kDispatchPropertyPut, {Variant::Bool(true)},
                        Variant::Type::Empty);
        const Variant document = photoshop->Call(vantrel::studio::app::kDispidOpenDocument, kDispatchMethod,
                                                 {Variant::String(dir / "FLOWER.PSD")}, Variant::Type::Dispatch);
        ASSERT_NE(document.object, nullptr);
        document.object->Call(vantrel::studio::app::kDispidEndDocument, kDispatchMethod, {}, Variant::Type::Empty);
        photoshop->Call(vantrel::studio::app::kDispidEndApplication, kDispatchMethod, {}, Variant::Type::Empty);
    }
    EXPECT_TRUE(StudiosEndWithin(20000)) << "a studio was still running after EndApplication";

    // COM's rules for a local server, in the same test: tests run side by side, and each
    // counts every studio on the machine.
    {
        // Started by COM; the last reference let go, without EndApplication.
        AutomationRef photoshop = Connect();
        ASSERT_NE(photoshop, nullptr);
        EXPECT_EQ(RunningStudios(), 1);
    }
    EXPECT_TRUE(StudiosEndWithin(20000)) << "the studio outlived its last client";
    // Launched for clients, connected to, and then never called again: a client that vanished.
    ASSERT_GE(CWin32Launcher().Launch("\"" + StudioProgram() + "\" /Automation --idle-exit 2", kShowNormal), 32u);
    AutomationRef silent = Connect();
    ASSERT_NE(silent, nullptr);
    EXPECT_TRUE(StudiosEndWithin(15000)) << "the studio waits for ever for a silent client";
}

// COM's rules for local servers: locks count, and only the last let go ends the server.
TEST(ServerLifetime, LocksCountAndTheLastReleaseEndsTheServer)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    std::atomic<bool> quit{false};
    DWORD serverThreadId = 0;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread server([&] {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // a queue for the quit message
        serverThreadId = GetCurrentThreadId();
        SetEvent(ready);
        quit = GetMessageA(&message, nullptr, 0, 0) == 0;
    });
    WaitForSingleObject(ready, 10000);
    vantrel::hosting::ServeClientsOn(serverThreadId);
    {
        auto* factory = new vantrel::hosting::CAutomationClassFactory([] { return nullptr; });
        factory->LockServer(TRUE);
        factory->LockServer(TRUE);
        factory->LockServer(FALSE);
        Sleep(200);
        EXPECT_FALSE(quit) << "one lock is still held";
        factory->LockServer(FALSE);
        factory->Release();
    }
    server.join();
    EXPECT_TRUE(quit);
    vantrel::hosting::ServeClientsOn(0);
    CloseHandle(ready);
    CoUninitialize();
}

}  // namespace
