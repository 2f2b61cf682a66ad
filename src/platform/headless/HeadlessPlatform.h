#pragma once

#include "platform/Platform.h"
#include "platform/headless/HeadlessAutomation.h"
#include "platform/headless/HeadlessLauncher.h"
#ifdef _WIN32
#include "platform/win32/Win32Files.h"
#else
#include "platform/posix/PosixFiles.h"
#endif
#include "platform/headless/RecordingMessageBox.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualDesktop.h"
#include "platform/headless/VirtualRegistry.h"

namespace vantrel::platform {

// The platform off Windows, and the one tests install: every service lives in memory apart
// from the files, and each accessor gives the concrete service with its owner operations and
// fault switches.
// Files are real on every host: the host's own file service.
#ifdef _WIN32
using CHostFiles = CWin32Files;
#else
using CHostFiles = CPosixFiles;
#endif

class CHeadlessPlatform : public IPlatform {
public:
    CHeadlessPlatform() : desktop_(clock_) {}
    CHeadlessPlatform(const CHeadlessPlatform&) = delete;
    CHeadlessPlatform& operator=(const CHeadlessPlatform&) = delete;

    CVirtualRegistry& Registry() override { return registry_; }
    CHeadlessLauncher& Launcher() override { return launcher_; }
    CHeadlessAutomation& Automation() override { return automation_; }
    CVirtualDesktop& Desktop() override { return desktop_; }
    CVirtualClock& Clock() override { return clock_; }
    CRecordingMessageBox& MessageBox() override { return messageBox_; }
    CHostFiles& Files() override { return files_; }

private:
    // The clock comes first: the desktop keeps a reference to it. The launcher and the
    // automation service come last, so that the programs they host go before the desktop
    // their windows live on.
    CVirtualClock clock_;
    CVirtualRegistry registry_;
    CVirtualDesktop desktop_;
    CRecordingMessageBox messageBox_;
    CHostFiles files_;
    CHeadlessLauncher launcher_;
    CHeadlessAutomation automation_;
};

}  // namespace vantrel::platform
