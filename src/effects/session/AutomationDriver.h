#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantrel::effects::session {

// Holds nothing or one reference to an automation object, and gives it back when released
// or destroyed. A call on an empty driver does nothing.
class CAutomationDriver {
public:
    CAutomationDriver() = default;
    ~CAutomationDriver() { ReleaseDispatch(); }
    CAutomationDriver(const CAutomationDriver&) = delete;
    CAutomationDriver& operator=(const CAutomationDriver&) = delete;

    // Creates the object registered under progId; a failure leaves the driver empty.
    bool CreateDispatch(const std::string& progId);
    void AttachDispatch(platform::AutomationRef object) { object_ = std::move(object); }
    void ReleaseDispatch() { object_.reset(); }
    bool IsEmpty() const { return !object_; }

protected:
    // Calls a member as the framework's driver does: no result asked for when `result` is
    // Empty, the answer taken as `result` otherwise. Throws platform::AutomationError when the
    // server fails the call.
    platform::Variant Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<platform::Variant>& args,
                             platform::Variant::Type result);

private:
    platform::AutomationRef object_;
};

// The editor's application object.
class CPhotoshopApplication : public CAutomationDriver {
public:
    static constexpr std::int32_t kPutAppFlag = 0x60020009;
    static constexpr std::int32_t kOpenDocument = 0x60020002;
    static constexpr std::int32_t kEndApplication = 0x60020001;

    void PutAppFlag(bool value);
    // The document object of the opened file. Throws platform::AutomationError when the file
    // cannot be opened, and when the driver is empty, since no document can come of that.
    platform::AutomationRef OpenDocument(const std::string& path);
    void EndApplication();
};

// One opened document, for the length of one document step.
class CPhotoshopDocument : public CAutomationDriver {
public:
    static constexpr std::int32_t kEndDocument = 0x60020001;
    void EndDocument();
};

// The module-wide driver of the editor's application object: empty between evaluations.
extern CPhotoshopApplication thePhotoshopApp;

}  // namespace vantrel::effects::session
