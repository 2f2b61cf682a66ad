#include "batch/ResultAppender.h"

namespace vantrel::cli::batch {

CResultAppender::CResultAppender(CResultFile& file) : file_(file), writer_([this] { WriteQueued(); }) {}

CResultAppender::~CResultAppender()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

void CResultAppender::ForgetWritten()
{
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(written_));
    forgotten_ += written_;
    written_ = 0;
}

void CResultAppender::Append(const CExamineeRecord& record)
{
    std::string line = file_.FormatRecord(record);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ForgetWritten();
        lines_.push_back(std::move(line));
    }
    changed_.notify_all();
}

bool CResultAppender::Healthy(std::string& reason)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (failed_) reason = failure_;
    return !failed_;
}

bool CResultAppender::Drain(std::string& reason)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return written_ == lines_.size() || failed_; });
    ForgetWritten();
    if (failed_) reason = failure_;
    return !failed_;
}

std::size_t CResultAppender::Saved()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return forgotten_ + written_;
}

void CResultAppender::WriteQueued()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return written_ < lines_.size() || stopping_; });
        // Whatever is queued when the batch stops is still written: it was graded.
        if (written_ == lines_.size() || failed_) return;
        const std::string& line = lines_[written_];  // stays put: only the caller's thread erases, and only written lines
        lock.unlock();
        std::string reason;
        const bool written = file_.AppendLine(line, reason);
        lock.lock();
        if (written) ++written_;
        else failed_ = true, failure_ = std::move(reason);
        changed_.notify_all();
    }
}

}  // namespace vantrel::cli::batch
