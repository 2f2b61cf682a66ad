#include "batch/HandInFingerprint.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/Fnv1a64.h"

namespace vantrel::cli::batch {

namespace {

namespace fs = std::filesystem;

// A hand-in is a few documents; a folder far beyond these is hostile, and what lies past the
// limits is left out rather than walked or read without end. Bytes past the budget are still
// watched by their sizes, times and change times.
constexpr std::size_t kMostEntries = 10000;
constexpr int kDeepestFolder = 16;
constexpr std::uint64_t kMostContentBytes = 1ull << 30;

struct CEntry {
    std::string relative;
    struct stat status {};
    std::string linkTarget;
};

std::string Nanoseconds(const timespec& time)
{
    return std::to_string(time.tv_sec) + "." + std::to_string(time.tv_nsec);
}

void AddContent(CFnv1a64& hash, const std::string& path, std::uint64_t& budget)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd == -1) {
        hash.Add("unreadable");
        return;
    }
    // Whole buffers only, so that a short read never moves the words the hash takes.
    char buffer[1 << 16];
    for (bool more = true; more && budget > 0;) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, budget));
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t n = ::read(fd, buffer + got, wanted - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                more = false;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        hash.AddWords(std::string_view(buffer, got));
        budget -= got;
    }
    ::close(fd);
}

std::vector<CEntry> ListEntries(const std::string& folder)
{
    std::vector<CEntry> entries;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        if (entries.size() == kMostEntries) break;
        if (walk.depth() >= kDeepestFolder) walk.disable_recursion_pending();
        CEntry entry;
        entry.relative = walk->path().lexically_relative(folder).generic_string();
        if (::lstat(walk->path().c_str(), &entry.status) != 0) continue;
        if (S_ISLNK(entry.status.st_mode)) entry.linkTarget = fs::read_symlink(walk->path(), error).string();
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const CEntry& a, const CEntry& b) { return a.relative < b.relative; });
    return entries;
}

}  // namespace

CHandInFingerprint TakeHandInFingerprint(const std::string& folder, bool withContent)
{
    CFnv1a64 stamps;
    CFnv1a64 identities;
    CFnv1a64 content;
    std::uint64_t budget = kMostContentBytes;
    for (const CEntry& entry : ListEntries(folder)) {
        const std::string name = entry.relative + '\0';
        stamps.Add(name + std::to_string(entry.status.st_mode & S_IFMT) + " " + std::to_string(entry.status.st_size) +
                   " " + Nanoseconds(entry.status.st_mtim) + " " + entry.linkTarget + '\n');
        identities.Add(name + std::to_string(entry.status.st_ino) + " " + Nanoseconds(entry.status.st_ctim) + '\n');
        if (!withContent) continue;
        content.Add(name);
        if (S_ISREG(entry.status.st_mode)) AddContent(content, folder + "/" + entry.relative, budget);
        content.Add("\n");
    }
    return {stamps.Hex(), identities.Hex(), withContent ? content.Hex() : std::string()};
}

std::string FingerprintText(const CHandInFingerprint& fingerprint)
{
    return fingerprint.stamps + "." + fingerprint.identities + "." + fingerprint.content;
}

bool HandInChangedSince(const std::string& recorded, const std::string& folder)
{
    const std::size_t first = recorded.find('.');
    const std::size_t second = first == std::string::npos ? first : recorded.find('.', first + 1);
    if (second == std::string::npos) return false;
    const CHandInFingerprint now = TakeHandInFingerprint(folder, false);
    if (now.stamps != recorded.substr(0, first)) return true;
    if (now.identities == recorded.substr(first + 1, second - first - 1)) return false;
    return TakeHandInFingerprint(folder, true).content != recorded.substr(second + 1);
}

}  // namespace vantrel::cli::batch
