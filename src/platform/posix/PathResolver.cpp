#include "platform/posix/PathResolver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/posix/CodePageConversion.h"

namespace vantrel::platform {

namespace {

constexpr std::size_t kMaxPathBytes = 4096;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string Join(const std::string& directory, const std::string& name)
{
    if (directory.empty()) return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string CaseKey(std::string name)
{
    text::MakeUpper(name, text::CodePage::Utf8);
    return name;
}

// The entry of directory that a component names: as given, else converted from the code
// page, else the first in byte order that equals the converted name without regard to case,
// so the choice never depends on directory order.
std::optional<std::string> FindEntry(const std::string& directory, const std::string& component)
{
    if (component == "." || component == "..") return component;
    if (Exists(Join(directory, component))) return component;
    const std::string converted = ToUtf8(component, text::ActiveCodePage());
    if (converted != component && Exists(Join(directory, converted))) return converted;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return std::nullopt;
    const std::string wanted = CaseKey(converted);
    std::optional<std::string> found;
    while (dirent* entry = ::readdir(dir)) {
        std::string candidate = entry->d_name;
        if (CaseKey(candidate) == wanted && (!found || candidate < *found)) found = candidate;
    }
    ::closedir(dir);
    return found;
}

// Where the component at pos ends when the path is the file system's text (any separator
// byte) and when it is code-page text (a separator that starts a character).
std::size_t ByteComponentEnd(const std::string& path, std::size_t pos)
{
    const std::size_t end = path.find_first_of("\\/", pos);
    return end == std::string::npos ? path.size() : end;
}

std::size_t CharacterComponentEnd(const std::string& path, std::size_t pos)
{
    const text::CodePage codePage = text::ActiveCodePage();
    for (std::size_t i = pos; i < path.size(); i += text::CharacterLength(path, i, codePage))
        if (IsSeparator(path[i])) return i;
    return path.size();
}

std::optional<std::string> RealPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real) return std::nullopt;
    return std::string(real.get());
}

bool IsLink(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Whether a real path is the real folder or lies below it.
bool IsInside(const std::string& realPath, const std::string& realFolder)
{
    if (realPath == realFolder) return true;
    const std::string prefix = realFolder.back() == '/' ? realFolder : realFolder + "/";
    return realPath.compare(0, prefix.size(), prefix) == 0;
}

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> PlainPath(const std::string& path)
{
    if (path.empty() || path.size() > kMaxPathBytes || IsSeparator(path.back())) return std::nullopt;
    std::string plain = path;
    for (char& c : plain)
        if (c == '\\') c = '/';
    return plain;
}

std::optional<std::string> ResolveExistingPath(const std::string& path)
{
    if (path.empty() || path.size() > kMaxPathBytes) return std::nullopt;
    // Most paths name an entry exactly once "\\" is read as a separator.
    if (const auto plain = PlainPath(path); plain && Exists(*plain)) return plain;
    std::string resolved = IsSeparator(path[0]) ? "/" : "";
    std::size_t pos = 0;
    while (pos < path.size() && IsSeparator(path[pos])) ++pos;
    while (pos < path.size()) {
        const std::size_t ends[] = {ByteComponentEnd(path, pos), CharacterComponentEnd(path, pos)};
        std::optional<std::string> entry;
        for (std::size_t end : ends) {
            entry = FindEntry(resolved, path.substr(pos, end - pos));
            if (entry) {
                pos = end;
                break;
            }
        }
        if (!entry) return std::nullopt;
        resolved = Join(resolved, *entry);
        if (pos == path.size()) break;
        while (pos < path.size() && IsSeparator(path[pos])) ++pos;
        // A path that ends in a separator names a folder, never a document.
        if (pos == path.size()) return std::nullopt;
    }
    if (resolved.empty()) return std::nullopt;
    return Exists(resolved) ? std::optional<std::string>(resolved) : std::nullopt;
}

bool PassesLinkOutOf(const std::string& folder, const std::string& path)
{
    // The entries an open passes are those of the path as the open resolves it.
    const auto resolvedPath = ResolveExistingPath(path);
    if (!resolvedPath) return false;
    std::optional<std::string> realFolder;
    for (std::size_t end = resolvedPath->find('/', 1);; end = resolvedPath->find('/', end + 1)) {
        const std::string entry = resolvedPath->substr(0, end);
        if (IsLink(entry)) {
            if (!realFolder) {
                std::string trimmed = folder;
                while (trimmed.size() > 1 && IsSeparator(trimmed.back())) trimmed.pop_back();
                const auto resolvedFolder = ResolveExistingPath(trimmed);
                realFolder = resolvedFolder ? RealPath(*resolvedFolder) : std::nullopt;
                // With no folder to measure against, no link can be shown to stay inside it.
                if (!realFolder) return true;
            }
            // Only an entry inside the folder is the examinee's to make; the folder's own
            // ancestors, and what a ".." leads to, are not.
            const auto realParent = RealPath(ParentOf(entry));
            if (realParent && IsInside(*realParent, *realFolder)) {
                const auto realEntry = RealPath(entry);
                if (!realEntry || !IsInside(*realEntry, *realFolder)) return true;
            }
        }
        if (end == std::string::npos) return false;
    }
}

}  // namespace vantrel::platform
