#pragma once

#include <string>

namespace vantrel::cli::batch {

// One batch at a time on a results file. Two batches appending to one file would grade every
// examinee twice and write both rows, so the second is refused while the first holds a lock
// on "FILE.lock" beside it. It is a POSIX record lock, which belongs to the process alone:
// the workers forked from it do not hold it, so it goes the moment the batch ends, however it
// ends, and the kernel names the holder to whoever is refused. The file itself goes when the
// holder lets go.
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
