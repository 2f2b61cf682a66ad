#include "hosting/win32/StudioRegistration.h"

#include <windows.h>

#include "studio/app/StudioAutomationIds.h"

namespace vantrel::hosting {

namespace {

constexpr const char* kProgId = "Photoshop.Application";
constexpr const char* kDescription = "vantrel studio";

std::string ReadDefault(const std::string& subKey)
{
    char value[256] = {};
    DWORD size = sizeof value - 1;
    DWORD type = REG_NONE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    const LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::string(value) : std::string();
}

bool WriteDefault(const std::string& subKey, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

bool RegisterServer(const std::string& serverCommandLine, std::string& reason)
{
    const std::string holder = ReadDefault(std::string(kProgId) + "\\CLSID");
    if (!holder.empty() && holder != studio::app::kStudioClassId) {
        reason = std::string(kProgId) + " belongs to another program (" + holder + "); it is left as it is";
        return false;
    }
    const std::string classKey = std::string("CLSID\\") + studio::app::kStudioClassId;
    const bool written = WriteDefault(kProgId, kDescription) &&
                         WriteDefault(std::string(kProgId) + "\\CLSID", studio::app::kStudioClassId) &&
                         WriteDefault(classKey, kDescription) &&
                         WriteDefault(classKey + "\\LocalServer32", serverCommandLine) &&
                         WriteDefault(classKey + "\\ProgID", kProgId);
    if (!written) reason = "the registry refused the entries (run as an administrator)";
    return written;
}

bool UnregisterServer(std::string& reason)
{
    if (ReadDefault(std::string(kProgId) + "\\CLSID") != studio::app::kStudioClassId) {
        reason = std::string(kProgId) + " is not registered to this program";
        return false;
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + studio::app::kStudioClassId).c_str());
    return true;
}

}  // namespace vantrel::hosting
