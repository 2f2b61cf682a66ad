#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// Automation through COM: objects created by ProgID the way the framework's dispatch driver
// creates them, and driven by DISPID through IDispatch::Invoke.
class CWin32Automation : public IAutomation {
public:
    AutomationRef CreateObject(const std::string& progId) override;
};

}  // namespace vantrel::platform
