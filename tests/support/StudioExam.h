#pragma once

#include <memory>

#include "ExamFolders.h"
#include "ScopedPlatform.h"
#include "studio/app/StudioApplication.h"
#include "hosting/headless/StudioInstallation.h"

namespace vantrel::testing {

// A headless platform with the studio installed, and exam folders to grade in.
struct StudioExam {
    StudioExam()
    {
        platform->MessageBox().SetEchoToStandardError(false);
        studio = hosting::CStudioInstallation::Install(*platform);
    }
    platform::CVirtualDesktop& Desktop() { return platform->Desktop(); }
    platform::CHeadlessAutomation& Automation() { return platform->Automation(); }
    const std::vector<std::string>& Messages() { return platform->MessageBox().Messages(); }

    ScopedPlatform<> platform;
    std::shared_ptr<hosting::CStudioInstallation> studio;
    ExamFolders exam;
};

}  // namespace vantrel::testing
