#pragma once

#include "platform/Platform.h"

#include <memory>

namespace vantrel::studio::app {

class CStudioApplication;

// The automation object of a running studio: sets its flag, opens documents and ends it.
class CStudioApplicationObject : public platform::IAutomationObject {
public:
    explicit CStudioApplicationObject(std::shared_ptr<CStudioApplication> app);
    platform::Variant Invoke(std::int32_t dispid, std::uint16_t flags,
                             const std::vector<platform::Variant>& args) override;
    std::optional<platform::AutomationMember> Member(std::int32_t dispid) const override;

private:
    platform::Variant OpenDocument(const std::vector<platform::Variant>& args);

    std::shared_ptr<CStudioApplication> app_;
};

}  // namespace vantrel::studio::app
