#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32Automation.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Launcher.h"
#include "platform/win32/Win32MessageBox.h"
#include "platform/win32/Win32Registry.h"

namespace vantrel::platform {

// The platform of vantrel.dll: each service is the operating system's own.
class CWin32Platform : public IPlatform {
public:
    CWin32Platform() = default;
    CWin32Platform(const CWin32Platform&) = delete;
    CWin32Platform& operator=(const CWin32Platform&) = delete;

    CWin32Registry& Registry() override { return registry_; }
    CWin32Launcher& Launcher() override { return launcher_; }
    CWin32Automation& Automation() override { return automation_; }
    CWin32Desktop& Desktop() override { return desktop_; }
    CWin32Clock& Clock() override { return clock_; }
    CWin32MessageBox& MessageBox() override { return messageBox_; }
    CWin32Files& Files() override { return files_; }

private:
    CWin32Registry registry_;
    CWin32Launcher launcher_;
    CWin32Automation automation_;
    CWin32Desktop desktop_;
    CWin32Clock clock_;
    CWin32MessageBox messageBox_;
    CWin32Files files_;
};

}  // namespace vantrel::platform
