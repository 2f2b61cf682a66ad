#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// Starts programs as WinExec does, with CreateProcess followed by WaitForInputIdle, and
// answers in WinExec's codes: 33 when started, below 32 for every failure. A value that names
// an existing program whole is passed quoted, as the program, so that a path with spaces
// cannot start a program named by a prefix of it; any other value is a command line.
class CWin32Launcher : public ILauncher {
public:
    std::uint32_t Launch(const std::string& commandLine, int showCommand) override;
};

// WinExec's result for a failed start with this GetLastError code; always below 32.
std::uint32_t WinExecCodeOf(unsigned long lastError);

}  // namespace vantrel::platform
