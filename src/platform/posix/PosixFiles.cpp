#include "platform/posix/PosixFiles.h"

#include "platform/posix/PathResolver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantrel::platform {

CPosixFiles::~CPosixFiles()
{
    for (int fd : open_)
        ::close(fd);
}

namespace {
int OpenNonBlocking(const std::string& path)
{
    int fd;
    do {
        // Non-blocking, so that a FIFO handed in as a document cannot stall the open.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
}  // namespace

int CPosixFiles::OpenReadOnly(const std::string& codePagePath)
{
    // The plain reading of the path names most documents; only a miss needs a resolution.
    const std::optional<std::string> plain = PlainPath(codePagePath);
    int fd = plain ? OpenNonBlocking(*plain) : -1;
    if (fd < 0 && (!plain || errno == ENOENT || errno == ENOTDIR)) {
        const std::optional<std::string> resolved = ResolveExistingPath(codePagePath);
        if (!resolved)
            return -1;
        fd = OpenNonBlocking(*resolved);
    }
    if (fd < 0)
        return -1;
    struct stat info {};
    // Only regular files are documents: a directory, FIFO, socket or device is not.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    open_.insert(fd);
    return fd;
}

long CPosixFiles::Read(int handle, void* buffer, std::size_t count)
{
    // Only descriptors handed out here are touched, whatever number a caller passes.
    if (!open_.count(handle))
        return -1;
    ssize_t got;
    do {
        got = ::read(handle, buffer, count);
    } while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}

long CPosixFiles::SeekFromCurrent(int handle, long offset)
{
    if (!open_.count(handle))
        return -1;
    return static_cast<long>(::lseek(handle, static_cast<off_t>(offset), SEEK_CUR));
}

std::optional<std::string> CPosixFiles::ResolvePath(const std::string& codePagePath)
{
    return ResolveExistingPath(codePagePath);
}

bool CPosixFiles::PassesLinkOutOf(const std::string& folder, const std::string& codePagePath)
{
    return platform::PassesLinkOutOf(folder, codePagePath);
}

std::optional<CFileIdentity> CPosixFiles::IdentifyFile(const std::string& fileSystemPath)
{
    struct stat info {};
    if (::stat(fileSystemPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return CFileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                         static_cast<std::uint64_t>(info.st_size),
                         static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

void CPosixFiles::Close(int handle)
{
    if (open_.erase(handle))
        ::close(handle);
}

}  // namespace vantrel::platform
