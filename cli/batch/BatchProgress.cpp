#include "batch/BatchProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>

#include "batch/MarkStatistics.h"

#include "batch/ExamineeNameText.h"

namespace vantrel::cli::batch {

std::string ClockText(double seconds)
{
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

CBatchProgress::CBatchProgress(std::ostream& out, bool onTerminal, std::size_t total)
    : out_(out), shown_(onTerminal), total_(total), started_(std::chrono::steady_clock::now())
{
}

void CBatchProgress::Update(std::size_t done, std::size_t failures)
{
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    // A terminal redrawn more often than this only flickers.
    if (anything_ && (done == lastDone_ || done < total_) && now - lastShown_ < std::chrono::milliseconds(200)) return;
    lastDone_ = done;
    lastShown_ = now;
    anything_ = true;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0;
    char line[160];
    std::snprintf(line, sizeof line, "\r\033[K%zu/%zu  %.1f/s  ETA %s  failures %zu", done, total_, rate,
                  rate > 0 ? ClockText(static_cast<double>(total_ - done) / rate).c_str() : "?", failures);
    out_ << line << std::flush;
}

void CBatchProgress::Finish()
{
    if (anything_) out_ << "\n" << std::flush;
    anything_ = false;
}

void CBatchSummary::AddGraded(const std::string& examinee, std::optional<double> mark, double seconds)
{
    if (mark) ++graded_, marks_.push_back(*mark);
    else ++failed_, unmarked_.push_back(ExamineeNameText(examinee));
    if (seconds > slowestSeconds_) slowestSeconds_ = seconds, slowest_ = ExamineeNameText(examinee);
}

void CBatchSummary::AddSkipped(const std::string& examinee, std::optional<double> mark)
{
    ++skipped_;
    if (mark) marks_.push_back(*mark);
    else unmarked_.push_back(ExamineeNameText(examinee));
}

void CBatchSummary::Write(std::ostream& out) const
{
    out << "graded " << graded_ << ", failed " << failed_ << ", skipped " << skipped_ << " (already in the results)\n";
    if (!unmarked_.empty()) {
        // A long list says nothing a look at the results file would not.
        constexpr std::size_t kNamesShown = 10;
        std::vector<std::string> names = unmarked_;
        std::sort(names.begin(), names.end());
        out << "without a mark: " << names.size() << " (";
        for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) out << (i ? ", " : "") << names[i];
        out << (names.size() > kNamesShown ? ", ...)\n" : ")\n");
    }
    if (!marks_.empty()) {
        const CMarkStatistics marks = StatisticsOf(marks_);
        // A stream, not a fixed buffer: a mark edited by hand may be any size.
        std::ostringstream line;
        line << std::fixed << std::setprecision(4) << "mark: mean " << marks.mean << ", median " << marks.median
             << " over " << marks.count << " examinees\n";
        out << line.str();
    }
    if (slowestSeconds_ >= 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f s", slowestSeconds_);
        out << "slowest: " << slowest_ << " (" << seconds << ")\n";
    }
}

}  // namespace vantrel::cli::batch
