#include "effects/session/EditorSession.h"

#include "effects/session/AutomationDriver.h"
#include "effects/session/PhotoshopLocator.h"
#include "effects/session/WindowSearchState.h"

namespace vantrel::effects::session {

namespace {

constexpr char kLaunchFailedMessage[] = "Start Photoshop \xE5\xA4\xB1\xE8\xB4\xA5!";  // "Start Photoshop 失败!"
constexpr std::size_t kMaxExePath = 263;

}  // namespace

CEditorSession::~CEditorSession()
{
    thePhotoshopApp.ReleaseDispatch();
}

bool CEditorSession::Start()
{
    auto& platform = platform::ActivePlatform();
    const std::string exe = CPhotoshopLocator().FindPhotoshopExe();
    if (exe.size() > kMaxExePath || platform.Launcher().Launch(exe, platform::kShowNormal) < 32) {
        platform.MessageBox().Show(kLaunchFailedMessage);
        return false;
    }
    thePhotoshopApp.CreateDispatch("Photoshop.Application");
    thePhotoshopApp.PutAppFlag(true);
    theWindowSearch.mainWindow = 0;
    return true;
}

bool CEditorSession::HasMainWindow() const
{
    return theWindowSearch.mainWindow != 0;
}

void CEditorSession::End()
{
    thePhotoshopApp.EndApplication();
    thePhotoshopApp.ReleaseDispatch();
}

}  // namespace vantrel::effects::session
