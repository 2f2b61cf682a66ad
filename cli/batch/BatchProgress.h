#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel::cli::batch {

// One status line on a terminal, rewritten in place: done/total, the rate, the time left and
// the failures so far. Silent when the stream is not a terminal.
class CBatchProgress {
public:
    CBatchProgress(std::ostream& out, bool onTerminal, std::size_t total);
    void Update(std::size_t done, std::size_t failures);
    // Ends the line, if one was shown.
    void Finish();

private:
    std::ostream& out_;
    bool shown_;
    std::size_t total_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastShown_{};
    std::size_t lastDone_ = 0;
    bool anything_ = false;
};

// What a batch tells at its end: the counts graded, failed and skipped, the examinees still
// without a mark, the mean and median mark, the slowest examinee.
class CBatchSummary {
public:
    void AddGraded(const std::string& examinee, std::optional<double> mark, double seconds);
    // An examinee whose row from an earlier run was kept.
    void AddSkipped(const std::string& examinee, std::optional<double> mark);
    void Write(std::ostream& out) const;
    std::size_t Failed() const { return failed_; }
    // Examinees of this run's roster without a mark, whether failed now or kept so.
    std::size_t Unmarked() const { return unmarked_.size(); }

private:
    std::size_t graded_ = 0;
    std::size_t failed_ = 0;
    std::size_t skipped_ = 0;
    std::vector<double> marks_;
    std::vector<std::string> unmarked_;
    std::string slowest_;
    double slowestSeconds_ = -1;
};

// "1:02:03" or "2:03".
std::string ClockText(double seconds);

}  // namespace vantrel::cli::batch
