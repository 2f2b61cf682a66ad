#include "platform/headless/AutomationFaults.h"
#include "platform/headless/RecentRecords.h"

namespace vantrel::platform {

bool AutomationFaults::ShouldFail(std::int32_t dispid, AutomationTarget target) const
{
    for (const Rule& rule : failingCalls)
        if (rule.dispid == dispid && (rule.target == AutomationTarget::Any || rule.target == target))
            return true;
    return false;
}

CInterceptedAutomationObject::CInterceptedAutomationObject(AutomationRef inner, AutomationTarget target,
                                                           std::shared_ptr<AutomationFaults> faults)
    : inner_(std::move(inner)), target_(target), faults_(std::move(faults))
{
}

Variant CInterceptedAutomationObject::Invoke(std::int32_t dispid, std::uint16_t flags,
                                             const std::vector<Variant>& args)
{
    const bool fail = faults_->ShouldFail(dispid, target_);
    AppendRecent(faults_->journal, AutomationCall{dispid, flags, target_, fail});
    if (fail)
        throw AutomationError("the automation call was made to fail");
    Variant result;
    try {
        result = inner_->Invoke(dispid, flags, args);
    } catch (const AutomationError&) {
        faults_->journal.back().failed = true;
        throw;
    }
    if (result.type == Variant::Type::Dispatch && result.object)
        result.object = std::make_shared<CInterceptedAutomationObject>(
            std::move(result.object), AutomationTarget::ReturnedObject, faults_);
    return result;
}

}  // namespace vantrel::platform
