#include "platform/posix/PathResolver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "platform/posix/CodePageConversion.h"

namespace vantrel::platform {

namespace {

constexpr std::size_t kMaxPathBytes = 4096;

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string CaseKey(std::string name)
{
    text::MakeUpper(name, text::CodePage::Utf8);
    return name;
}

// The entry of directory whose name equals name without regard to case; the exact name
// wins, then the first in byte order, so the choice never depends on directory order.
std::optional<std::string> FindEntry(const std::string& directory, const std::string& name)
{
    const std::string prefix = directory.empty() ? "" : (directory == "/" ? "/" : directory + "/");
    if (Exists(prefix + name)) return name;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return std::nullopt;
    const std::string wanted = CaseKey(name);
    std::optional<std::string> found;
    while (dirent* entry = ::readdir(dir)) {
        std::string candidate = entry->d_name;
        if (CaseKey(candidate) == wanted && (!found || candidate < *found)) found = candidate;
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::optional<std::string> ResolveExistingPath(const std::string& codePagePath)
{
    if (codePagePath.empty() || codePagePath.size() > kMaxPathBytes) return std::nullopt;
    const bool absolute = codePagePath[0] == '\\' || codePagePath[0] == '/';
    const std::vector<std::string> components = SplitComponents(ToUtf8(codePagePath, text::ActiveCodePage()));
    // Most paths name an entry exactly; each component is searched only when one does not.
    std::string exact = absolute ? "/" : "";
    for (std::size_t i = 0; i < components.size(); ++i) exact += (i ? "/" : "") + components[i];
    if (!exact.empty() && Exists(exact)) return exact;

    std::string resolved = absolute ? "/" : "";
    for (const std::string& component : components) {
        if (component == ".") continue;
        std::string next;
        if (component == "..") {
            next = "..";
        } else {
            auto entry = FindEntry(resolved, component);
            if (!entry) return std::nullopt;
            next = *entry;
        }
        if (resolved.empty() || resolved == "/")
            resolved += next;
        else
            resolved += "/" + next;
    }
    if (resolved.empty()) resolved = ".";
    return Exists(resolved) ? std::optional<std::string>(resolved) : std::nullopt;
}

}  // namespace vantrel::platform
