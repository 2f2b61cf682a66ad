#include "platform/headless/VirtualRegistry.h"

#include "platform/headless/AsciiCase.h"

namespace vantrel::platform {

namespace {
bool IsAtOrBelow(const std::string& path, const std::string& key)
{
    if (path.size() < key.size() || path.compare(0, key.size(), key) != 0)
        return false;
    return path.size() == key.size() || key.empty() || path[key.size()] == '\\';
}
}  // namespace

std::optional<RegistryValue> CVirtualRegistry::ReadValue(RegistryRoot root, const std::string& subKey,
                                                         const std::string& valueName, std::size_t maxBytes)
{
    const KeyName key{root, FoldAsciiCase(subKey)};
    if (!key.second.empty() && !keys_.count(key))
        return std::nullopt;
    RegistryValue result;
    auto keyValues = values_.find(key);
    if (keyValues == values_.end())
        return result;
    auto value = keyValues->second.find(FoldAsciiCase(valueName));
    if (value == keyValues->second.end())
        return result;
    result.type = value->second.type;
    // The reader keeps the last byte of its buffer for the terminator.
    const std::size_t room = maxBytes == 0 ? 0 : maxBytes - 1;
    result.bytes = value->second.bytes.substr(0, room);
    return result;
}

void CVirtualRegistry::CreateKey(RegistryRoot root, const std::string& subKey)
{
    const std::string folded = FoldAsciiCase(subKey);
    for (std::size_t end = folded.find('\\'); end != std::string::npos; end = folded.find('\\', end + 1))
        keys_.insert({root, folded.substr(0, end)});
    if (!folded.empty())
        keys_.insert({root, folded});
}

void CVirtualRegistry::SetValue(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                                std::uint32_t type, std::string data)
{
    CreateKey(root, subKey);
    RegistryValue& value = values_[{root, FoldAsciiCase(subKey)}][FoldAsciiCase(valueName)];
    value.type = type;
    value.bytes = std::move(data);
}

void CVirtualRegistry::DeleteKey(RegistryRoot root, const std::string& subKey)
{
    const std::string folded = FoldAsciiCase(subKey);
    std::erase_if(keys_, [&](const KeyName& k) { return k.first == root && IsAtOrBelow(k.second, folded); });
    std::erase_if(values_, [&](const auto& entry) {
        return entry.first.first == root && IsAtOrBelow(entry.first.second, folded);
    });
}

}  // namespace vantrel::platform
