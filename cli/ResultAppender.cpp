#include "ResultAppender.h"

namespace vantrel::cli {

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

void CResultAppender::Append(CExamineeRecord record)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(record));
    }
    changed_.notify_all();
}

bool CResultAppender::Healthy(std::string& reason)
{
    std::lock_guard<std::mutex> lock(mutex_);
    reason = failure_;
    return failure_.empty();
}

bool CResultAppender::Drain(std::string& reason)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (queue_.empty() && !writing_) || !failure_.empty(); });
    reason = failure_;
    return failure_.empty();
}

void CResultAppender::WriteQueued()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
        // Whatever is queued when the batch stops is still written: it was graded.
        if (queue_.empty() || !failure_.empty()) return;
        CExamineeRecord record = std::move(queue_.front());
        queue_.pop_front();
        writing_ = true;
        lock.unlock();
        std::string reason;
        const bool written = file_.Append(record, reason);
        lock.lock();
        writing_ = false;
        if (!written) failure_ = reason;
        changed_.notify_all();
    }
}

}  // namespace vantrel::cli
