#include "batch/ResultFileLock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel::cli::batch {

namespace {

// A holder that lets go removes the file; a run that opened it just before then holds a lock
// on a file nobody else can see, so it tries again on the one the name now gives.
constexpr int kAttempts = 8;

bool StillNamed(int fd, const std::string& path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

std::string Holder(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string pid(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == '\0')) pid.pop_back();
    return pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos ? "" : " (process " + pid + ")";
}

}  // namespace

CResultFileLock::~CResultFileLock()
{
    if (fd_ == -1) return;
    ::unlink(path_.c_str());
    ::close(fd_);
}

bool CResultFileLock::Acquire(const std::string& resultsPath, std::string& reason)
{
    path_ = resultsPath + ".lock";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd == -1) {
            reason = "cannot make " + path_ + ": " + std::strerror(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            reason = errno == EWOULDBLOCK
                         ? resultsPath + " is in use by another vantrel batch" + Holder(fd) + "; wait for it to end"
                         : "cannot lock " + path_ + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (StillNamed(fd, path_)) {
            const std::string pid = std::to_string(::getpid()) + "\n";
            // The process id only tells whoever is refused who holds the file; the lock holds without it.
            const bool noted = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) > 0;
            (void)noted;
            fd_ = fd;
            return true;
        }
        ::close(fd);
    }
    reason = "cannot lock " + path_ + ": it keeps being replaced";
    return false;
}

}  // namespace vantrel::cli::batch
