#include "StudioSession.h"

#include <filesystem>

#include "effects/AutomationDriver.h"
#include "effects/PhotoshopLocator.h"
#include "effects/WindowSearchState.h"
#include "studio/StudioDocument.h"
#include "studio/StudioInstallation.h"

namespace vantrel::cli {

CStudioSession::CStudioSession(int bitsPerPixel)
{
    platform_.MessageBox().SetEchoToStandardError(false);
    studio::CStudioInstallation::Install(platform_);
    platform_.Desktop().SetDisplayDepth(bitsPerPixel);
    previous_ = platform::InstallPlatform(&platform_);
    platform_.Launcher().Launch(CPhotoshopLocator().FindPhotoshopExe(), platform::kShowNormal);
    thePhotoshopApp.CreateDispatch("Photoshop.Application");
    thePhotoshopApp.PutAppFlag(true);
    theWindowSearch.mainWindow = 0;
    session_.FindMainWindow();
}

CStudioSession::~CStudioSession()
{
    try {
        thePhotoshopApp.EndApplication();
    } catch (const platform::AutomationError&) {
    }
    thePhotoshopApp.ReleaseDispatch();
    platform::InstallPlatform(previous_);
}

bool CStudioSession::Capture(const std::string& path, int slot, std::string& reason)
{
    const std::filesystem::path file = std::filesystem::absolute(path);
    std::string& directory = slot == 0 ? session_.answerDirectory : session_.keyDirectory;
    directory = file.parent_path().string() + "/";
    theWindowSearch.windowName = file.filename().string();
    if (session_.CaptureDocument(theWindowSearch.windowName, slot)) return true;
    // The document step says only that the open failed; the studio's reader says why.
    auto rendered = studio::RenderDocument(file.string(), 1, 1, reason);
    if (rendered) reason = "the studio could not open it";
    return false;
}

}  // namespace vantrel::cli
