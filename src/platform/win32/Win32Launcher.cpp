#include "platform/win32/Win32Launcher.h"

#include <windows.h>

namespace vantrel::platform {

namespace {
constexpr std::uint32_t kStarted = 33;  // what WinExec answers for a started program
}  // namespace

std::uint32_t WinExecCodeOf(unsigned long lastError)
{
    switch (lastError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return static_cast<std::uint32_t>(lastError);
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return ERROR_BAD_FORMAT;  // 11
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
    case ERROR_BAD_PATHNAME:
        return ERROR_PATH_NOT_FOUND;
    default:
        return 0;  // out of system resources
    }
}

std::uint32_t CWin32Launcher::Launch(const std::string& commandLine, int showCommand)
{
    if (commandLine.empty()) return ERROR_FILE_NOT_FOUND;
    // A command line that quotes itself carries its own arguments; a bare one is a path.
    const bool quoted = commandLine.front() == '"';
    std::string line = quoted ? commandLine : "\"" + commandLine + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(quoted ? nullptr : commandLine.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return WinExecCodeOf(GetLastError());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return kStarted;
}

}  // namespace vantrel::platform
