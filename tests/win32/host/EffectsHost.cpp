// Loads vantrel.dll as an examination host does and grades an exam with effect criteria, which
// the studio answers from inside this process in real windows: its class object stands
// registered for "Photoshop.Application", and the launch the grader makes starts a program
// that exits at once (this one, with --exit). The grader's fixed waits pass on a clock of the host's own, put in place
// of the DLL's imports of GetTickCount and Sleep, and a message box is printed, not shown.
// Prints the mark with every digit, to be set beside the Linux build's.
//   usage: vantrel_effects_host KEYFILE ANSWERDIR KEYDIR
//          vantrel_effects_host --exit
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "hosting/win32/StudioRegistration.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Files.h"
#include "hosting/win32/AutomationClassFactory.h"
#include "hosting/win32/Win32WindowHost.h"
#include "studio/app/StudioApplication.h"
#include "studio/app/StudioApplicationObject.h"
#include "studio/app/StudioAutomationIds.h"

namespace {

using namespace vantrel;

DWORD virtualTicks = 1000;

DWORD WINAPI TestTickCount() { return virtualTicks; }
VOID WINAPI TestSleep(DWORD ms) { virtualTicks += ms; }
int WINAPI TestMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT)
{
    std::fprintf(stderr, "message box: %s\n", platform::FromUtf16(text, CP_UTF8).c_str());
    return IDOK;
}

// Points one of a module's imports at a replacement, through its import address table.
bool ReplaceImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

std::string BesideThisProgram(const char* name)
{
    char self[MAX_PATH + 1] = {};
    const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--exit") == 0) return 0;
    if (argc != 4) {
        std::fprintf(stderr, "usage: vantrel_effects_host KEYFILE ANSWERDIR KEYDIR | --exit\n");
        return 2;
    }
    std::ifstream keyFile(argv[1], std::ios::binary);
    const std::string key{std::istreambuf_iterator<char>(keyFile), std::istreambuf_iterator<char>()};
    if (!keyFile) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    HMODULE dll = LoadLibraryA("vantrel.dll");
    using GetMark = double (*)(const char*, const char*, const char*);
    auto getMark = dll ? reinterpret_cast<GetMark>(reinterpret_cast<void (*)()>(GetProcAddress(dll, "vantrel_get_mark")))
                       : nullptr;
    if (!getMark) {
        std::fprintf(stderr, "cannot load vantrel.dll and its vantrel_get_mark\n");
        return 1;
    }
    if (!ReplaceImport(dll, "KERNEL32.dll", "GetTickCount", reinterpret_cast<void*>(TestTickCount)) ||
        !ReplaceImport(dll, "KERNEL32.dll", "Sleep", reinterpret_cast<void*>(TestSleep)) ||
        !ReplaceImport(dll, "USER32.dll", "MessageBoxW", reinterpret_cast<void*>(TestMessageBox))) {
        std::fprintf(stderr, "vantrel.dll no longer imports the functions this host replaces\n");
        return 1;
    }
    std::string reason;
    if (!hosting::RegisterServer("\"" + BesideThisProgram("vantrel_effects_host.exe") + "\" --exit", reason)) {
        std::fprintf(stderr, "cannot register the studio: %s\n", reason.c_str());
        return 1;
    }
    double mark = 0;
    {
        hosting::CWin32WindowHost host;
        platform::CWin32Files files;
        std::shared_ptr<studio::app::CStudioApplication> app;
        CLSID classId{};
        CLSIDFromString(platform::ToUtf16(studio::app::kStudioClassId, CP_ACP).c_str(), &classId);
        // Each connection after the studio has ended starts it again, as a local server would.
        hosting::CClassObjectRegistration registration(classId, [&] {
            if (!app || !app->IsRunning()) app = studio::app::CStudioApplication::Start(host, files);
            return std::make_shared<studio::app::CStudioApplicationObject>(app);
        });
        if (!registration.IsRegistered()) {
            std::fprintf(stderr, "cannot offer the studio's class to COM\n");
            return 1;
        }
        mark = getMark(key.c_str(), argv[2], argv[3]);
    }
    hosting::UnregisterServer(reason);
    if (hosting::theLiveComObjects != 0) {
        std::fprintf(stderr, "%ld COM objects of the studio are still alive\n", hosting::theLiveComObjects.load());
        return 1;
    }
    std::printf("%.17g\n", mark);
    CoUninitialize();
    return 0;
}
