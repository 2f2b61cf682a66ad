#include "platform/win32/Win32Launcher.h"

#include <windows.h>

namespace vantrel::platform {

namespace {

constexpr std::uint32_t kStarted = 33;      // what WinExec answers for a started program
constexpr DWORD kInputIdleWaitMs = 30000;   // as long as WinExec gives a program to come up

// Whether the whole value names an existing file: then it is a path, even with spaces in it.
bool NamesAProgram(const std::string& commandLine)
{
    const DWORD attributes = GetFileAttributesA(commandLine.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::uint32_t WinExecCodeOf(unsigned long lastError)
{
    switch (lastError) {
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_COMMITMENT_LIMIT:
        return 0;  // out of system resources
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return ERROR_BAD_FORMAT;  // 11
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
    case ERROR_BAD_PATHNAME:
        return ERROR_PATH_NOT_FOUND;
    default:
        // Every failure must read as one: a code of 32 or more (a sharing violation is 32)
        // would pass for a started program.
        return lastError < 32 ? static_cast<std::uint32_t>(lastError) : ERROR_BAD_FORMAT;
    }
}

std::uint32_t CWin32Launcher::Launch(const std::string& commandLine, int showCommand)
{
    if (commandLine.empty()) return ERROR_FILE_NOT_FOUND;
    // A value that names a program whole is quoted and given as the program, so that a path
    // with spaces cannot start a program named by a prefix of it. Anything else is a command
    // line, as WinExec takes it: "D:\Tools\editor.exe -embedding", "PHOTOSHP.EXE /x".
    const bool wholePath = NamesAProgram(commandLine);
    std::string line = wholePath ? "\"" + commandLine + "\"" : commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(wholePath ? commandLine.c_str() : nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return WinExecCodeOf(GetLastError());
    // As WinExec: wait until the program is ready for input, so that its main window and its
    // automation class exist when the caller looks for them. A program that never idles (a
    // console program, or one that ends at once) only costs the wait.
    WaitForInputIdle(process.hProcess, kInputIdleWaitMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return kStarted;
}

}  // namespace vantrel::platform
