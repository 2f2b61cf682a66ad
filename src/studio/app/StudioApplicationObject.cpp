#include "studio/app/StudioApplicationObject.h"

#include "studio/app/StudioApplication.h"
#include "studio/app/StudioAutomationIds.h"
#include "studio/app/StudioDocumentObject.h"

namespace vantrel::studio::app {

using platform::AutomationError;
using platform::Variant;

namespace {
bool HasOne(const std::vector<Variant>& args, Variant::Type type)
{
    return args.size() == 1 && args[0].type == type;
}
}  // namespace

CStudioApplicationObject::CStudioApplicationObject(std::shared_ptr<CStudioApplication> app) : app_(std::move(app)) {}

Variant CStudioApplicationObject::Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args)
{
    if (!app_->IsRunning())
        throw AutomationError("the studio has ended");
    const bool method = flags & platform::kDispatchMethod;
    if (dispid == kDispidAppFlag && (flags & platform::kDispatchPropertyPut) && HasOne(args, Variant::Type::Bool)) {
        app_->SetAppFlag(args[0].boolean);
        return Variant::Empty();
    }
    if (dispid == kDispidOpenDocument && method && HasOne(args, Variant::Type::String))
        return OpenDocument(args);
    if (dispid == kDispidEndApplication && method && args.empty()) {
        app_->Quit();
        return Variant::Empty();
    }
    throw AutomationError("the application has no such member, or not with these arguments");
}

std::optional<platform::AutomationMember> CStudioApplicationObject::Member(std::int32_t dispid) const
{
    switch (dispid) {
    case kDispidAppFlag: return platform::AutomationMember{platform::kDispatchPropertyPut, {Variant::Type::Bool}, {}};
    case kDispidOpenDocument:
        return platform::AutomationMember{platform::kDispatchMethod, {Variant::Type::String}, Variant::Type::Dispatch};
    case kDispidEndApplication: return platform::AutomationMember{platform::kDispatchMethod, {}, {}};
    default: return std::nullopt;
    }
}

Variant CStudioApplicationObject::OpenDocument(const std::vector<Variant>& args)
{
    std::string reason;
    const int document = app_->OpenDocument(args[0].text, reason);
    if (document == 0)
        throw AutomationError("cannot open " + args[0].text + ": " + reason);
    return Variant::Dispatch(std::make_shared<CStudioDocumentObject>(app_, document));
}

}  // namespace vantrel::studio::app
