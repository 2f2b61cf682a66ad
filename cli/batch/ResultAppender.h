#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "batch/ResultFile.h"

namespace vantrel::cli::batch {

// Appends records to a results file on a thread of its own, one at a time, each flushed to
// the disk before the next is written. A flush takes milliseconds on a real disk; here it
// overlaps the grading instead of holding up the workers' next examinees. Workers are forked
// while the thread runs, so it never allocates: lines are made and freed on the caller's thread.
class CResultAppender {
public:
    explicit CResultAppender(CResultFile& file);
    ~CResultAppender();
    CResultAppender(const CResultAppender&) = delete;
    CResultAppender& operator=(const CResultAppender&) = delete;

    void Append(const CExamineeRecord& record);
    // False with the reason once a record could not be written; nothing is written after it.
    bool Healthy(std::string& reason);
    // Waits until every record given is on the disk, or one failed. False with the reason then.
    bool Drain(std::string& reason);
    // How many records, the first ones given, are on the disk.
    std::size_t Saved();

private:
    void WriteQueued();
    void ForgetWritten();  // with the lock held, on the caller's thread

    CResultFile& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> lines_;  // lines_[0 .. written_) are on the disk
    std::size_t written_ = 0;
    std::size_t forgotten_ = 0;  // written lines already erased from lines_
    bool stopping_ = false;
    bool failed_ = false;
    std::string failure_;
    std::thread writer_;
};

}  // namespace vantrel::cli::batch
