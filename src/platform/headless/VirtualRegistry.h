#pragma once

#include "platform/Platform.h"

#include <map>
#include <set>
#include <string>
#include <utility>

namespace vantrel::platform {

// An in-memory registry. Key paths are separated by "\" and, like value names, compare
// without regard to case. Writing a value creates its key and every key above it.
class CVirtualRegistry : public IRegistry {
public:
    std::optional<RegistryValue> ReadValue(RegistryRoot root, const std::string& subKey,
                                           const std::string& valueName, std::size_t maxBytes) override;

    void CreateKey(RegistryRoot root, const std::string& subKey);
    // An empty valueName sets the key's default value.
    void SetValue(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                  std::uint32_t type, std::string data);
    void SetString(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                   std::string text)
    {
        SetValue(root, subKey, valueName, kRegSz, std::move(text));
    }
    // Removes the key, its values and every key below it.
    void DeleteKey(RegistryRoot root, const std::string& subKey);

private:
    using KeyName = std::pair<RegistryRoot, std::string>;  // path folded to upper case

    std::set<KeyName> keys_;
    std::map<KeyName, std::map<std::string, RegistryValue>> values_;  // by folded value name
};

}  // namespace vantrel::platform
