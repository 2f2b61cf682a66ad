#include "platform/BuildPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace vantrel::platform {

IPlatform& BuildPlatform()
{
    static CWin32Platform thePlatform;
    return thePlatform;
}

}  // namespace vantrel::platform
