#include "hosting/headless/StudioInstallation.h"

#include "platform/headless/HeadlessPlatform.h"
#include "studio/app/StudioApplication.h"
#include "studio/app/StudioApplicationObject.h"
#include "studio/app/RenderCache.h"

using vantrel::studio::app::CStudioApplication;
using vantrel::studio::app::CStudioApplicationObject;

namespace vantrel::hosting {

using platform::AutomationRef;
using platform::RegistryRoot;
using studio::app::CStudioApplicationObject;

CStudioInstallation::CStudioInstallation(CHeadlessPlatform& platform, StudioSetup setup)
    : platform_(platform), setup_(std::move(setup))
{
}

std::shared_ptr<CStudioInstallation> CStudioInstallation::Install(CHeadlessPlatform& platform, StudioSetup setup)
{
    std::shared_ptr<CStudioInstallation> installation(new CStudioInstallation(platform, std::move(setup)));
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
            installation->platform_.Desktop().BringToFront(app->MainWindow());
    });
    platform.Automation().RegisterServer(kProgId, [installation]() -> AutomationRef {
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
    last_ = CStudioApplication::Start(platform_.Desktop(), platform_.Files());
    last_->UseRenderCache(renderCache_);
    last_->ReportDrawingGapsTo(drawingGaps_);
    ++started_;
    return last_;
}

void CStudioInstallation::CacheRendersUnder(const std::string& folder)
{
    if (folder.empty()) renderCache_.reset();
    else if (!renderCache_ || renderCache_->Folder() != folder)
        renderCache_ = std::make_shared<studio::app::CRenderCache>(folder);
    if (last_) last_->UseRenderCache(renderCache_);
}

void CStudioInstallation::ReportDrawingGapsTo(studio::app::CStudioApplication::DrawingGapSink sink)
{
    drawingGaps_ = std::move(sink);
    if (last_) last_->ReportDrawingGapsTo(drawingGaps_);
}

}  // namespace vantrel::hosting
