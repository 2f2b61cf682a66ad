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

// Whether the path, read plainly, names an entry directly in the folder that is not a link:
// the usual answer document, settled with one look at the file system.
bool IsPlainEntryOf(const std::string& folder, const std::string& path)
{
    const auto plainFolder = PlainPath(folder);
    const auto plainPath = PlainPath(path);
    if (!plainFolder || !plainPath || plainPath->size() <= plainFolder->size() + 1) return false;
    const std::string& p = *plainPath;
    const std::size_t nameStart = plainFolder->back() == '/' ? plainFolder->size() : plainFolder->size() + 1;
    if (p.compare(0, plainFolder->size(), *plainFolder) != 0 || p[nameStart - 1] != '/') return false;
    const std::string name = p.substr(nameStart);
    if (name == "." || name == ".." || name.find('/') != std::string::npos) return false;
    struct stat info;
    return ::lstat(p.c_str(), &info) == 0 && !S_ISLNK(info.st_mode);
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

bool LiesWithin(const std::string& folder, const std::string& path)
{
    std::string trimmed = folder;
    while (trimmed.size() > 1 && IsSeparator(trimmed.back())) trimmed.pop_back();
    if (IsPlainEntryOf(trimmed, path)) return true;
    const auto resolvedFolder = ResolveExistingPath(trimmed);
    const auto resolvedPath = ResolveExistingPath(path);
    if (!resolvedFolder || !resolvedPath) return false;
    // A plain file straight inside the folder needs no look at where links lead.
    struct stat info;
    const std::size_t slash = resolvedPath->find_last_of('/');
    if (slash != std::string::npos && resolvedPath->compare(0, slash, *resolvedFolder) == 0 &&
        slash == resolvedFolder->size() && ::lstat(resolvedPath->c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        const std::string name = resolvedPath->substr(slash + 1);
        if (name != ".." && name != ".") return true;
    }
    const auto realFolder = RealPath(*resolvedFolder);
    const auto realPath = RealPath(*resolvedPath);
    if (!realFolder || !realPath) return false;
    const std::string prefix = realFolder->back() == '/' ? *realFolder : *realFolder + "/";
    return realPath->compare(0, prefix.size(), prefix) == 0;
}

}  // namespace vantrel::platform
