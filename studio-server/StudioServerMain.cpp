// vantrel-studio.exe: the studio as a Windows program and COM local server, so that machines
// without the editor can grade effect criteria with the same vantrel.dll.
//   vantrel-studio /RegServer     registers it as "Photoshop.Application"
//   vantrel-studio /UnregServer   removes that registration
//   vantrel-studio --version      says which kinds of file it opens
// Started with nothing it shows its windows and serves until it is told to end or its window
// closes. Started for clients (-Embedding by COM, /Automation by the grader's launch) it also
// ends when its last client lets go, or after --idle-exit SECONDS (300) without a call.

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "hosting/win32/ServerLifetime.h"
#include "hosting/win32/StudioRegistration.h"
#include "platform/win32/Win32CallbackBoundary.h"
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

// What the program was started for: a switch, and how long a server may go without calls.
struct CStartup {
    std::string command;      // "--version", "/RegServer", "/UnregServer", or empty to serve
    bool forClients = false;  // started by COM (-Embedding) or as an automation server (/Automation)
    DWORD idleLimitMs = 300000;
};

// Switches in either spelling, /X or -X, any letter case.
bool IsSwitch(const std::string& argument, const char* name)
{
    return (argument.size() > 1 && (argument[0] == '/' || argument[0] == '-') &&
            lstrcmpiA(argument.c_str() + 1, name) == 0) ||
           lstrcmpiA(argument.c_str(), name) == 0;
}

CStartup ReadStartup(const std::string& commandLine)
{
    CStartup startup;
    std::vector<std::string> arguments;
    std::string word;
    for (char c : commandLine + " ") {
        if (c != ' ' && c != '\t') {
            word += c;
        } else if (!word.empty()) {
            arguments.push_back(word);
            word.clear();
        }
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (IsSwitch(argument, "Embedding") || IsSwitch(argument, "Automation")) {
            startup.forClients = true;
        } else if (IsSwitch(argument, "-idle-exit") && i + 1 < arguments.size()) {
            startup.idleLimitMs = static_cast<DWORD>(std::strtoul(arguments[++i].c_str(), nullptr, 10)) * 1000;
        } else if (IsSwitch(argument, "-version") || IsSwitch(argument, "RegServer") ||
                   IsSwitch(argument, "UnregServer")) {
            startup.command = argument;
        }
    }
    return startup;
}

constexpr UINT kIdleCheckMs = 1000;

int Serve(const CStartup& startup)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    platform::AdoptSystemCodePage();
    // A server for clients lives while they hold its objects, and ends after a while without
    // calls, so that one whose client vanished does not run for ever.
    if (startup.forClients) hosting::ServeClientsOn(GetCurrentThreadId());
    int exitCode = 0;
    {
        hosting::CWin32WindowHost host;
        platform::CWin32Files files;
        auto app = studio::app::CStudioApplication::Start(host, files);
        CLSID classId{};
        const std::wstring classText = platform::ToUtf16(studio::app::kStudioClassId, CP_ACP);
        CLSIDFromString(classText.c_str(), &classId);
        // Registered before the first wait for messages: a launcher that waits until the
        // program is idle, as WinExec does, then finds the class ready, and COM starts no second
        // studio for the grader's connection.
        hosting::CClassObjectRegistration registration(
            classId, [app] { return std::make_shared<studio::app::CStudioApplicationObject>(app); });
        if (!registration.IsRegistered()) exitCode = 1;
        const UINT_PTR idleTimer = startup.forClients ? SetTimer(nullptr, 0, kIdleCheckMs, nullptr) : 0;
        const HWND main = reinterpret_cast<HWND>(app->MainWindow());
        MSG message;
        // Ends when the studio is told to end (its windows go with it), its window is closed,
        // the last client lets go (WM_QUIT), or clients stay silent too long.
        while (exitCode == 0 && app->IsRunning() && IsWindow(main) && GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_TIMER && message.hwnd == nullptr &&
                hosting::MillisecondsSinceClientCall() >= startup.idleLimitMs)
                break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            platform::RethrowCallbackFailure();
        }
        if (idleTimer) KillTimer(nullptr, idleTimer);
    }
    CoUninitialize();
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const CStartup startup = ReadStartup(commandLine ? commandLine : "");
    std::string reason;
    if (IsSwitch(startup.command, "-version")) {
        Say(VersionText());
        return 0;
    }
    if (IsSwitch(startup.command, "RegServer")) {
        if (hosting::RegisterServer("\"" + ModulePath() + "\" /Automation", reason)) return 0;
        Say("vantrel studio: " + reason);
        return 1;
    }
    if (IsSwitch(startup.command, "UnregServer")) {
        if (hosting::UnregisterServer(reason)) return 0;
        Say("vantrel studio: " + reason);
        return 1;
    }
    try {
        return Serve(startup);
    } catch (const std::exception& error) {
        Say(std::string("vantrel studio: ") + error.what());
        return 1;
    }
}
