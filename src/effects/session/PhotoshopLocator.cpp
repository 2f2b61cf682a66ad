#include "effects/session/PhotoshopLocator.h"

#include "text/CodePage.h"

namespace vantrel::effects::session {

namespace {
constexpr std::size_t kRegistryBuffer = 1024;  // one byte stays for the terminator
constexpr char kExeName[] = "PHOTOSHP.EXE";
}  // namespace

std::string ReadRegistryString(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName)
{
    auto value = platform::ActivePlatform().Registry().ReadValue(root, subKey, valueName, kRegistryBuffer);
    if (!value || value->type != platform::kRegSz) return {};
    std::string text = value->bytes.substr(0, kRegistryBuffer - 1);
    return text.substr(0, text.find('\0'));
}

std::string CPhotoshopLocator::FindPhotoshopExe() const
{
    if (auto exe = ExeFromAutomationServer(); !exe.empty()) return exe;
    if (auto exe = ExeFromApplicationPath(); !exe.empty()) return exe;
    return DefaultPhotoshopExe();
}

std::string CPhotoshopLocator::ExeFromAutomationServer() const
{
    using platform::RegistryRoot;
    std::string value = ReadRegistryString(RegistryRoot::ClassesRoot, "Photoshop.Application\\CLSID", "");
    if (!value.empty())
        value = ReadRegistryString(RegistryRoot::ClassesRoot, "CLSID\\" + value + "\\LocalServer32", "");
    // Drop switches after the executable's name, keeping the value's own letter case.
    std::string upper = value;
    text::MakeUpper(upper);
    const std::size_t at = upper.find(kExeName);
    if (at != std::string::npos && at > 0) value.resize(at + sizeof kExeName - 1);
    return value;
}

std::string CPhotoshopLocator::ExeFromApplicationPath() const
{
    std::string value = ReadRegistryString(platform::RegistryRoot::LocalMachine,
                                           "SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath", "");
    if (value.empty()) return value;
    if (value.back() != '\\') value += '\\';
    return value + kExeName;
}

std::string CPhotoshopLocator::DefaultPhotoshopExe() const
{
    return "C:\\Program Files\\Adobe\\Photoshop 6.0\\PHOTOSHP.EXE";
}

}  // namespace vantrel::effects::session
