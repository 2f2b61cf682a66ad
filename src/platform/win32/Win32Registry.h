#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// The registry as the process sees it: a 32-bit process reads the 32-bit view.
class CWin32Registry : public IRegistry {
public:
    std::optional<RegistryValue> ReadValue(RegistryRoot root, const std::string& subKey,
                                           const std::string& valueName, std::size_t maxBytes) override;
};

}  // namespace vantrel::platform
