#pragma once

#include "platform/Platform.h"
#include "platform/headless/AutomationFaults.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vantrel::platform {

// A table of automation servers by programmatic identifier (compared without regard to case).
// Every object it hands out passes through an interceptor, so tests can see the calls and make
// chosen ones fail.
class CHeadlessAutomation : public IAutomation {
public:
    using Factory = std::function<AutomationRef()>;

    CHeadlessAutomation();

    AutomationRef CreateObject(const std::string& progId) override;

    void RegisterServer(const std::string& progId, Factory factory);
    void UnregisterServer(const std::string& progId);

    // Fault switches.
    void SetCreateFails(bool fails) { createFails_ = fails; }
    void FailCalls(std::int32_t dispid, AutomationTarget target = AutomationTarget::Any);
    void ClearCallFaults() { faults_->failingCalls.clear(); }

    // Every call made on a handed-out object, in order.
    const std::vector<AutomationCall>& Calls() const { return faults_->journal; }

private:
    std::map<std::string, Factory> servers_;  // by folded ProgID
    std::shared_ptr<AutomationFaults> faults_;
    bool createFails_ = false;
};

}  // namespace vantrel::platform
