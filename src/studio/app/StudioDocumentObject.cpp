#include "studio/app/StudioDocumentObject.h"

#include "studio/app/StudioApplication.h"
#include "studio/app/StudioAutomationIds.h"

namespace vantrel::studio::app {

using platform::AutomationError;
using platform::Variant;

CStudioDocumentObject::CStudioDocumentObject(std::shared_ptr<CStudioApplication> app, int document)
    : app_(std::move(app)), document_(document)
{
}

Variant CStudioDocumentObject::Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args)
{
    if (!app_->IsRunning())
        throw AutomationError("the studio has ended");
    if (dispid != kDispidEndDocument || !(flags & platform::kDispatchMethod) || !args.empty())
        throw AutomationError("the document has no such member");
    if (!app_->CloseDocument(document_))
        throw AutomationError("the document is already closed");
    return Variant::Empty();
}

std::optional<platform::AutomationMember> CStudioDocumentObject::Member(std::int32_t dispid) const
{
    if (dispid != kDispidEndDocument) return std::nullopt;
    return platform::AutomationMember{platform::kDispatchMethod, {}, {}};
}

}  // namespace vantrel::studio::app
