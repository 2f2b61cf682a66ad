#pragma once

#include "platform/Platform.h"

#include <memory>

namespace vantrel::studio::app {

class CStudioApplication;

// The automation object of one open document.
class CStudioDocumentObject : public platform::IAutomationObject {
public:
    CStudioDocumentObject(std::shared_ptr<CStudioApplication> app, int document);
    platform::Variant Invoke(std::int32_t dispid, std::uint16_t flags,
                             const std::vector<platform::Variant>& args) override;
    std::optional<platform::AutomationMember> Member(std::int32_t dispid) const override;

    int Document() const { return document_; }

private:
    std::shared_ptr<CStudioApplication> app_;
    int document_;
};

}  // namespace vantrel::studio::app
