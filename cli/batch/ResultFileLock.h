#pragma once

#include <string>

namespace vantrel::cli::batch {

// One batch at a time on a results file. Two batches appending to one file would grade every
// examinee twice and write both rows, so the second is refused while the first holds an
// flock on "FILE.lock" beside it, which names the holder's process. The kernel drops the lock
// however its holder ends; the file itself goes when the holder lets go.
class CResultFileLock {
public:
    CResultFileLock() = default;
    ~CResultFileLock();
    CResultFileLock(const CResultFileLock&) = delete;
    CResultFileLock& operator=(const CResultFileLock&) = delete;

    // False with a one-line reason when another process holds the lock or it cannot be taken.
    bool Acquire(const std::string& resultsPath, std::string& reason);

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace vantrel::cli::batch
