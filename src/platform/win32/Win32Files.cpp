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

// The path an open uses: "." and ".." folded as written, before any link is followed.
std::optional<std::string> FullPath(const std::string& codePagePath)
{
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(codePagePath.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameA(codePagePath.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return std::nullopt;
    full.resize(length);
    return full;
}

bool IsLinkOrJunction(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A prefix of a full path that names a folder or file: not a bare drive ("C:", which names the
// drive's current folder) and not the separators that start a network path.
bool NamesAnEntry(const std::string& prefix)
{
    return !prefix.empty() && prefix.back() != ':' && prefix.find_first_not_of("\\/") != std::string::npos;
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// GetFinalPathNameByHandleW came with Windows Vista; null on XP.
FinalPathFunction SystemFinalPathFunction()
{
    static const auto function = reinterpret_cast<FinalPathFunction>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
    return function;
}

// The path of an entry with every link and junction followed, from an open handle. Windows XP
// cannot tell where a junction leads (it has no links to files): there an entry that is not one
// stands for itself, and one that is has no known end.
std::optional<std::wstring> FinalPath(const std::string& codePagePath)
{
    const FinalPathFunction finalPathOf = SystemFinalPathFunction();
    if (finalPathOf == nullptr) {
        const std::optional<std::string> full = FullPath(codePagePath);
        if (!full || IsLinkOrJunction(*full)) return std::nullopt;
        return ToUtf16(*full, CP_ACP);
    }
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

// Whether a final path is the final folder or lies below it; names differ in letter case only
// where the file system ignores it.
bool IsInside(std::wstring path, std::wstring folder)
{
    if (folder.empty() || path.empty()) return false;
    if (folder.back() != L'\\') folder += L'\\';
    if (path.back() != L'\\') path += L'\\';
    if (path.size() < folder.size() || folder.size() > INT_MAX) return false;
    path.resize(folder.size());
    CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    return path == folder;
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

bool CWin32Files::PassesLinkOutOf(const std::string& folder, const std::string& codePagePath)
{
    const std::optional<std::string> full = FullPath(codePagePath);
    if (!full) return false;
    std::optional<std::wstring> finalFolder;
    const text::CodePage codePage = text::ActiveCodePage();
    std::size_t parentEnd = 0;
    for (std::size_t i = 0; i <= full->size();) {
        const std::size_t length = i < full->size() ? text::CharacterLength(*full, i, codePage) : 1;
        if (i == full->size() || (length == 1 && IsSeparator((*full)[i]))) {
            const std::string entry = full->substr(0, i);
            if (NamesAnEntry(entry) && IsLinkOrJunction(entry)) {
                if (!finalFolder) {
                    finalFolder = FinalPath(folder);
                    // With no folder to measure against, no link can be shown to stay inside it.
                    if (!finalFolder) return true;
                }
                // Only an entry inside the folder is the examinee's to make; the parent keeps
                // its separator, so that a drive's root is the root and not its current folder.
                const std::optional<std::wstring> finalParent = FinalPath(full->substr(0, parentEnd + 1));
                if (finalParent && IsInside(*finalParent, *finalFolder)) {
                    const std::optional<std::wstring> finalEntry = FinalPath(entry);
                    if (!finalEntry || !IsInside(*finalEntry, *finalFolder)) return true;
                }
            }
            parentEnd = i;
        }
        i += length;
    }
    return false;
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
