#include "effects/session/AutomationDriver.h"

namespace vantrel::effects::session {

using platform::Variant;

bool CAutomationDriver::CreateDispatch(const std::string& progId)
{
    ReleaseDispatch();
    object_ = platform::ActivePlatform().Automation().CreateObject(progId);
    return !IsEmpty();
}

Variant CAutomationDriver::Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args,
                                  Variant::Type result)
{
    if (IsEmpty()) return Variant::Empty();
    // Keep the object alive through the call even if the call ends up releasing this driver.
    platform::AutomationRef object = object_;
    return object->Call(dispid, flags, args, result);
}

void CPhotoshopApplication::PutAppFlag(bool value)
{
    Invoke(kPutAppFlag, platform::kDispatchPropertyPut, {Variant::Bool(value)}, Variant::Type::Empty);
}

platform::AutomationRef CPhotoshopApplication::OpenDocument(const std::string& path)
{
    if (IsEmpty()) throw platform::AutomationError("no application to open " + path);
    Variant result = Invoke(kOpenDocument, platform::kDispatchMethod, {Variant::String(path)}, Variant::Type::Dispatch);
    if (result.type != Variant::Type::Dispatch || !result.object)
        throw platform::AutomationError("opening " + path + " gave no document");
    return result.object;
}

void CPhotoshopApplication::EndApplication()
{
    Invoke(kEndApplication, platform::kDispatchMethod, {}, Variant::Type::Empty);
}

void CPhotoshopDocument::EndDocument()
{
    Invoke(kEndDocument, platform::kDispatchMethod, {}, Variant::Type::Empty);
}

}  // namespace vantrel::effects::session
