#include "hosting/win32/StudioRegistration.h"

#include <windows.h>

#include "studio/app/StudioAutomationIds.h"

namespace vantrel::hosting {

namespace {

constexpr const char* kProgId = "Photoshop.Application";
constexpr const char* kDescription = "vantrel studio";

// On 64-bit Windows a 32-bit grader reads class keys from the registry's 32-bit view and a
// 64-bit one from the 64-bit view; the studio is written into both, so that either finds it.
// 32-bit Windows has one view and ignores the flags.
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

std::string ClassKey() { return std::string("CLSID\\") + studio::app::kStudioClassId; }
std::string ProgIdClassKey() { return std::string(kProgId) + "\\CLSID"; }

std::string ReadDefault(const std::string& subKey, REGSAM view)
{
    char value[256] = {};
    DWORD size = sizeof value - 1;
    DWORD type = REG_NONE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return {};
    const LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::string(value) : std::string();
}

bool WriteDefault(const std::string& subKey, const std::string& value, REGSAM view)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

bool RegisterServer(const std::string& serverCommandLine, std::string& reason)
{
    for (REGSAM view : kViews) {
        const std::string holder = ReadDefault(ProgIdClassKey(), view);
        if (!holder.empty() && holder != studio::app::kStudioClassId) {
            reason = std::string(kProgId) + " belongs to another program (" + holder + "); it is left as it is";
            return false;
        }
    }
    bool written = true;
    for (REGSAM view : kViews)
        written = written && WriteDefault(kProgId, kDescription, view) &&
                  WriteDefault(ProgIdClassKey(), studio::app::kStudioClassId, view) &&
                  WriteDefault(ClassKey(), kDescription, view) &&
                  WriteDefault(ClassKey() + "\\LocalServer32", serverCommandLine, view) &&
                  WriteDefault(ClassKey() + "\\ProgID", kProgId, view);
    if (!written) reason = "the registry refused the entries (run as an administrator)";
    return written;
}

bool UnregisterServer(std::string& reason)
{
    bool removed = false;
    for (REGSAM view : kViews) {
        if (ReadDefault(ProgIdClassKey(), view) != studio::app::kStudioClassId) continue;
        // Leaves first: a key is deleted only once it has no subkeys.
        for (const std::string& key : {ProgIdClassKey(), std::string(kProgId), ClassKey() + "\\LocalServer32",
                                       ClassKey() + "\\ProgID", ClassKey()})
            RegDeleteKeyExA(HKEY_CLASSES_ROOT, key.c_str(), view, 0);
        removed = true;
    }
    if (!removed) reason = std::string(kProgId) + " is not registered to this program";
    return removed;
}

}  // namespace vantrel::hosting
