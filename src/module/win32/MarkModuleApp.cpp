#include "module/win32/MarkModuleApp.h"

#include "platform/win32/Win32CodePage.h"

namespace vantrel {

bool CMarkModuleApp::InitInstance()
{
    platform::AdoptSystemCodePage();
    return true;
}

int CMarkModuleApp::ExitInstance() { return 0; }

}  // namespace vantrel
