#include "batch/ResultFileLock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
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

flock WholeFile(short type)
{
    flock whole {};
    whole.l_type = type;
    whole.l_whence = SEEK_SET;
    return whole;
}

std::string Holder(int fd)
{
    flock held = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_GETLK, &held) != 0 || held.l_type == F_UNLCK) return "";
    return " (process " + std::to_string(held.l_pid) + ")";
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
        flock whole = WholeFile(F_WRLCK);
        if (::fcntl(fd, F_SETLK, &whole) != 0) {
            reason = errno == EACCES || errno == EAGAIN
                         ? resultsPath + " is in use by another vantrel batch" + Holder(fd) + "; wait for it to end"
                         : "cannot lock " + path_ + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (StillNamed(fd, path_)) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
    }
    reason = "cannot lock " + path_ + ": it keeps being replaced";
    return false;
}

}  // namespace vantrel::cli::batch
