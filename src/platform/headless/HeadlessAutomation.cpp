#include "platform/headless/HeadlessAutomation.h"

#include "platform/headless/AsciiCase.h"

namespace vantrel::platform {

CHeadlessAutomation::CHeadlessAutomation() : faults_(std::make_shared<AutomationFaults>()) {}

AutomationRef CHeadlessAutomation::CreateObject(const std::string& progId)
{
    if (createFails_)
        return nullptr;
    auto server = servers_.find(FoldAsciiCase(progId));
    if (server == servers_.end())
        return nullptr;
    Factory factory = server->second;  // the server may change the table while it starts
    AutomationRef object = factory();
    if (!object)
        return nullptr;
    return std::make_shared<CInterceptedAutomationObject>(std::move(object), AutomationTarget::CreatedObject,
                                                          faults_);
}

void CHeadlessAutomation::RegisterServer(const std::string& progId, Factory factory)
{
    servers_[FoldAsciiCase(progId)] = std::move(factory);
}

void CHeadlessAutomation::UnregisterServer(const std::string& progId)
{
    servers_.erase(FoldAsciiCase(progId));
}

void CHeadlessAutomation::FailCalls(std::int32_t dispid, AutomationTarget target)
{
    faults_->failingCalls.push_back({dispid, target});
}

}  // namespace vantrel::platform
