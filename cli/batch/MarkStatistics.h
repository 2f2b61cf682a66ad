#pragma once

#include <cstddef>
#include <vector>

namespace vantrel::cli::batch {

// The marks of a class in figures. Examinees without a mark are no part of these: a worker's
// trouble is not a mark of 0.
struct CMarkStatistics {
    std::size_t count = 0;
    double mean = 0;
    double median = 0;
    std::size_t passed = 0;  // marks at or above the pass mark
};

// The default pass mark: half of the marks to be had.
constexpr double kDefaultPassMark = 0.5;

CMarkStatistics StatisticsOf(std::vector<double> marks, double passMark = kDefaultPassMark);

}  // namespace vantrel::cli::batch
