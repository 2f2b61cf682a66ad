#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel::platform {

// Which objects a fault rule or a journal entry concerns: the ones made by CreateObject, or
// the ones handed out as results of calls (documents). Applications and documents reuse the
// same DISPIDs, so the DISPID alone does not say which call is meant.
enum class AutomationTarget { CreatedObject, ReturnedObject, Any };

struct AutomationCall {
    std::int32_t dispid = 0;
    std::uint16_t flags = 0;
    AutomationTarget target = AutomationTarget::CreatedObject;
    bool failed = false;
};

// The switches and the journal shared by the automation service and the objects it hands out.
struct AutomationFaults {
    struct Rule {
        std::int32_t dispid;
        AutomationTarget target;
    };
    std::vector<Rule> failingCalls;
    std::vector<AutomationCall> journal;

    bool ShouldFail(std::int32_t dispid, AutomationTarget target) const;
};

// Stands between a client and a server object: records each call, fails the ones a rule
// names, and wraps the objects a call returns so that their calls are seen too.
class CInterceptedAutomationObject : public IAutomationObject {
public:
    CInterceptedAutomationObject(AutomationRef inner, AutomationTarget target,
                                 std::shared_ptr<AutomationFaults> faults);
    Variant Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args) override;

    const AutomationRef& Inner() const { return inner_; }

private:
    AutomationRef inner_;
    AutomationTarget target_;
    std::shared_ptr<AutomationFaults> faults_;
};

}  // namespace vantrel::platform
