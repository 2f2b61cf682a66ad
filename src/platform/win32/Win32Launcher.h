#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// Starts programs with CreateProcess, answering in WinExec's codes. The executable's path is
// passed quoted and as the application name, so a path with spaces cannot start a program
// named by a prefix of it.
class CWin32Launcher : public ILauncher {
public:
    std::uint32_t Launch(const std::string& commandLine, int showCommand) override;
};

// WinExec's result for a failed start with this GetLastError code.
std::uint32_t WinExecCodeOf(unsigned long lastError);

}  // namespace vantrel::platform
