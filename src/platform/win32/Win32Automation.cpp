#include "platform/win32/Win32Automation.h"

namespace vantrel::platform {

AutomationRef CWin32Automation::CreateObject(const std::string&) { return nullptr; }

}  // namespace vantrel::platform
