#include "platform/win32/Win32Files.h"

#include "platform/win32/Win32CodePage.h"
#include "text/CodePage.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <climits>

namespace vantrel::platform {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether the last character of a code-page path is a separator; a trail byte 0x5C is not.
bool EndsInSeparator(const std::string& path)
{
    bool last = false;
    for (std::size_t i = 0; i < path.size(); i += text::CharacterLength(path, i, text::ActiveCodePage()))
        last = text::CharacterLength(path, i, text::ActiveCodePage()) == 1 && IsSeparator(path[i]);
    return last;
}

// Whether a path names an entry straight inside the folder that is no link or junction: such
// a file lies within the folder wherever the folder itself leads, with one look at it.
bool IsPlainEntryOf(const std::string& folder, const std::string& path)
{
    if (folder.empty() || !IsSeparator(folder.back()) || path.size() <= folder.size() ||
        path.compare(0, folder.size(), folder) != 0)
        return false;
    const std::string name = path.substr(folder.size());
    if (name == "." || name == "..") return false;
    const text::CodePage codePage = text::ActiveCodePage();
    for (std::size_t i = 0; i < name.size(); i += text::CharacterLength(name, i, codePage))
        if (text::CharacterLength(name, i, codePage) == 1 && IsSeparator(name[i])) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// GetFinalPathNameByHandleW came with Windows Vista; null on XP.
FinalPathFunction SystemFinalPathFunction()
{
    static const auto function = reinterpret_cast<FinalPathFunction>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
    return function;
}

// The path of an entry with every link and junction followed, from an open handle.
std::optional<std::wstring> FinalPath(const std::string& codePagePath, FinalPathFunction finalPathOf)
{
    HANDLE handle = CreateFileA(codePagePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = finalPathOf(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = finalPathOf(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    CloseHandle(handle);
    if (length == 0 || length >= path.size()) return std::nullopt;
    path.resize(length);
    return path;
}

std::optional<std::string> FullPath(const std::string& codePagePath)
{
    std::string full(MAX_PATH * 2, '\0');
    const DWORD length = GetFullPathNameA(codePagePath.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return std::nullopt;
    full.resize(length);
    return full;
}

// Windows XP has no links to files; a junction is its only way out of a folder. There a path
// lies within the folder when its full path does and no entry below the folder is a junction.
std::optional<std::wstring> FullPathWithoutJunctions(const std::string& fullFolder, const std::string& codePagePath)
{
    const std::optional<std::string> path = FullPath(codePagePath);
    if (!path) return std::nullopt;
    for (std::string entry = *path; entry.size() > fullFolder.size();) {
        const DWORD attributes = GetFileAttributesA(entry.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return std::nullopt;
        const std::size_t separator = entry.find_last_of("\\/");
        if (separator == std::string::npos) break;
        entry.resize(separator);
    }
    return ToUtf16(*path, CP_ACP);
}

// Whether two paths are the same ignoring letter case, as the file system compares names.
bool SameIgnoringCase(std::wstring first, std::wstring second)
{
    if (first.size() != second.size() || first.size() > INT_MAX) return false;
    CharUpperBuffW(first.data(), static_cast<DWORD>(first.size()));
    CharUpperBuffW(second.data(), static_cast<DWORD>(second.size()));
    return first == second;
}

}  // namespace

CWin32Files::~CWin32Files()
{
    for (int handle : open_)
        _close(handle);
}

int CWin32Files::OpenReadOnly(const std::string& codePagePath)
{
    if (codePagePath.empty() || EndsInSeparator(codePagePath)) return -1;
    // Binary, or the runtime would translate CR LF and stop at 0x1A inside a document; not
    // inherited by the editor this process starts; sharing everything with other readers.
    const int handle = _sopen(codePagePath.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO);
    if (handle < 0) return -1;
    struct _stat64 info {};
    // Only regular files are documents: a device such as CON or a pipe is not.
    if (_fstat64(handle, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        _close(handle);
        return -1;
    }
    open_.insert(handle);
    return handle;
}

long CWin32Files::Read(int handle, void* buffer, std::size_t count)
{
    if (!open_.count(handle)) return -1;
    return _read(handle, buffer, static_cast<unsigned>(std::min<std::size_t>(count, INT_MAX)));
}

long CWin32Files::SeekFromCurrent(int handle, long offset)
{
    if (!open_.count(handle)) return -1;
    return _lseek(handle, offset, SEEK_CUR);
}

void CWin32Files::Close(int handle)
{
    if (open_.erase(handle)) _close(handle);
}

std::optional<std::string> CWin32Files::ResolvePath(const std::string& codePagePath)
{
    if (codePagePath.empty() || EndsInSeparator(codePagePath)) return std::nullopt;
    if (GetFileAttributesA(codePagePath.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return codePagePath;
}

bool CWin32Files::LiesWithin(const std::string& folder, const std::string& codePagePath)
{
    if (IsPlainEntryOf(folder, codePagePath)) return true;
    const FinalPathFunction finalPathOf = SystemFinalPathFunction();
    std::optional<std::wstring> finalFolder, finalPath;
    if (finalPathOf) {
        finalFolder = FinalPath(folder, finalPathOf);
        finalPath = FinalPath(codePagePath, finalPathOf);
    } else {
        const std::optional<std::string> fullFolder = FullPath(folder);
        if (!fullFolder) return false;
        finalFolder = ToUtf16(*fullFolder, CP_ACP);
        finalPath = FullPathWithoutJunctions(*fullFolder, codePagePath);
    }
    if (!finalFolder || !finalPath) return false;
    std::wstring prefix = *finalFolder;
    if (prefix.empty() || prefix.back() != L'\\') prefix += L'\\';
    if (finalPath->size() <= prefix.size()) return false;
    // Names differ in letter case only where the file system ignores it.
    return SameIgnoringCase(finalPath->substr(0, prefix.size()), prefix);
}

std::optional<CFileIdentity> CWin32Files::IdentifyFile(const std::string& fileSystemPath)
{
    HANDLE handle = CreateFileA(fileSystemPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    auto join = [](DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; };
    // Last-write times count 100 ns.
    return CFileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                         join(info.nFileSizeHigh, info.nFileSizeLow),
                         static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime,
                                                        info.ftLastWriteTime.dwLowDateTime) * 100)};
}

}  // namespace vantrel::platform
