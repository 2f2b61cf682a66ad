// vantrel-studio.exe: the studio as a Windows program and COM local server, so that machines
// without the editor can grade effect criteria with the same vantrel.dll.
//   vantrel-studio /RegServer     registers it as "Photoshop.Application"
//   vantrel-studio /UnregServer   removes that registration
//   vantrel-studio --version      says which kinds of file it opens
// Started with /Automation (by COM, or by the grader's launch) or with nothing, it shows its
// windows and serves its automation object until it is told to end or its window closes.

#include <windows.h>

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
#include "studio/formats/FileKinds.h"

namespace {

using namespace vantrel;

// A GUI program has no console of its own; it answers on the one it was started from, if any.
void Say(const std::string& text)
{
    AttachConsole(ATTACH_PARENT_PROCESS);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    const std::string line = text + "\n";
    if (out == nullptr || out == INVALID_HANDLE_VALUE ||
        !WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        MessageBoxA(nullptr, text.c_str(), "vantrel studio", MB_OK);
}

std::string VersionText()
{
    std::string kinds;
    for (const studio::formats::CFileKind* kind : studio::formats::FileKinds()) {
        if (!kinds.empty()) kinds += ", ";
        kinds += kind->name;
        if (std::string(kind->name) == "PSD") kinds += " and PSB";
    }
    return "vantrel studio " VANTREL_STUDIO_VERSION "; opens " + kinds;
}

std::string ModulePath()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

int Serve()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    platform::AdoptSystemCodePage();
    int exitCode = 0;
    {
        hosting::CWin32WindowHost host;
        platform::CWin32Files files;
        auto app = studio::app::CStudioApplication::Start(host, files);
        CLSID classId{};
        const std::wstring classText = platform::ToUtf16(studio::app::kStudioClassId, CP_ACP);
        CLSIDFromString(classText.c_str(), &classId);
        hosting::CClassObjectRegistration registration(
            classId, [app] { return std::make_shared<studio::app::CStudioApplicationObject>(app); });
        if (!registration.IsRegistered()) exitCode = 1;
        const HWND main = reinterpret_cast<HWND>(app->MainWindow());
        MSG message;
        // Ends when the studio is told to end (its windows go with it) or its window is closed.
        while (exitCode == 0 && app->IsRunning() && IsWindow(main) && GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CoUninitialize();
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const std::string arguments = commandLine ? commandLine : "";
    auto has = [&arguments](const char* option) { return lstrcmpiA(arguments.c_str(), option) == 0; };
    std::string reason;
    if (has("--version")) {
        Say(VersionText());
        return 0;
    }
    if (has("/RegServer") || has("-RegServer")) {
        if (hosting::RegisterServer("\"" + ModulePath() + "\" /Automation", reason)) return 0;
        Say("vantrel studio: " + reason);
        return 1;
    }
    if (has("/UnregServer") || has("-UnregServer")) {
        if (hosting::UnregisterServer(reason)) return 0;
        Say("vantrel studio: " + reason);
        return 1;
    }
    return Serve();
}
