#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// Automation of the Windows editor is not wired to COM yet: no object is ever created, so an
// effect criterion ends as an editor that cannot be reached.
class CWin32Automation : public IAutomation {
public:
    AutomationRef CreateObject(const std::string& progId) override;
};

}  // namespace vantrel::platform
