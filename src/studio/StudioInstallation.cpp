#include "studio/StudioInstallation.h"

#include "platform/headless/HeadlessPlatform.h"
#include "studio/StudioApplication.h"
#include "studio/StudioApplicationObject.h"

namespace vantrel::studio {

using platform::RegistryRoot;

CStudioInstallation::CStudioInstallation(platform::CVirtualDesktop& desktop, StudioSetup setup)
    : desktop_(desktop), setup_(std::move(setup))
{
}

std::shared_ptr<CStudioInstallation> CStudioInstallation::Install(platform::CHeadlessPlatform& platform,
                                                                  StudioSetup setup)
{
    std::shared_ptr<CStudioInstallation> installation(new CStudioInstallation(platform.Desktop(), std::move(setup)));
    const StudioSetup& s = installation->setup_;

    platform.Registry().SetString(RegistryRoot::ClassesRoot, std::string(kProgId) + "\\CLSID", "", s.classId);
    const std::string serverKey = "CLSID\\" + s.classId;
    platform.Registry().SetString(RegistryRoot::ClassesRoot, serverKey, "", "Studio Application");
    platform.Registry().SetString(RegistryRoot::ClassesRoot, serverKey + "\\ProgID", "", kProgId);
    platform.Registry().SetString(RegistryRoot::ClassesRoot, serverKey + "\\LocalServer32", "",
                                  s.serverSwitch.empty() ? s.executablePath
                                                         : s.executablePath + " " + s.serverSwitch);

    platform.Launcher().RegisterProgram(s.executablePath, [installation](const std::string&) {
        const bool wasRunning = installation->RunningInstance() != nullptr;
        auto app = installation->EnsureRunning();
        if (wasRunning)
            installation->desktop_.BringToFront(app->MainWindow());
    });
    platform.Automation().RegisterServer(kProgId, [installation]() -> platform::AutomationRef {
        return std::make_shared<CStudioApplicationObject>(installation->EnsureRunning());
    });
    return installation;
}

std::shared_ptr<CStudioApplication> CStudioInstallation::RunningInstance() const
{
    return last_ && last_->IsRunning() ? last_ : nullptr;
}

std::shared_ptr<CStudioApplication> CStudioInstallation::EnsureRunning()
{
    if (auto running = RunningInstance())
        return running;
    last_ = CStudioApplication::Start(desktop_);
    ++started_;
    return last_;
}

}  // namespace vantrel::studio
