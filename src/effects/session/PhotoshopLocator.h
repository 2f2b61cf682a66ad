#pragma once

#include <string>

#include "platform/Platform.h"

namespace vantrel::effects::session {

// A string value from the registry: the text of a plain string value, else empty
// (a missing key or value, or any other type, expandable strings included).
std::string ReadRegistryString(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName);

// Finds the editor's executable: from its automation server's registration, then from its
// application path, then a fixed default. Never fails; nothing is checked on disk.
class CPhotoshopLocator {
public:
    virtual ~CPhotoshopLocator() = default;

    std::string FindPhotoshopExe() const;
    std::string ExeFromAutomationServer() const;
    std::string ExeFromApplicationPath() const;
    std::string DefaultPhotoshopExe() const;
};

}  // namespace vantrel::effects::session
