#include "batch/MarkStatistics.h"

#include <algorithm>
#include <numeric>

namespace vantrel::cli::batch {

CMarkStatistics StatisticsOf(std::vector<double> marks, double passMark)
{
    CMarkStatistics statistics;
    statistics.count = marks.size();
    if (marks.empty()) return statistics;
    std::sort(marks.begin(), marks.end());
    const std::size_t n = marks.size();
    statistics.median = n % 2 ? marks[n / 2] : (marks[n / 2 - 1] + marks[n / 2]) / 2;
    statistics.mean = std::accumulate(marks.begin(), marks.end(), 0.0) / static_cast<double>(n);
    statistics.passed = static_cast<std::size_t>(marks.end() - std::lower_bound(marks.begin(), marks.end(), passMark));
    return statistics;
}

}  // namespace vantrel::cli::batch
