#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <climits>

namespace vantrel::platform {

std::optional<RegistryValue> CWin32Registry::ReadValue(RegistryRoot root, const std::string& subKey,
                                                       const std::string& valueName, std::size_t maxBytes)
{
    HKEY rootKey = root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    std::string buffer(std::min<std::size_t>(maxBytes, UINT_MAX), '\0');
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(buffer.size());
    const LONG status = RegQueryValueExA(key, valueName.empty() ? nullptr : valueName.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(key);
    // A value missing or larger than the buffer offered reads as no value.
    if (status != ERROR_SUCCESS) return value;
    value.type = type;
    value.bytes.assign(buffer.data(), std::min<std::size_t>(size, buffer.size()));
    return value;
}

}  // namespace vantrel::platform
