#pragma once

#include <ostream>
#include <vector>

#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

// The figures above the class table: examinees with and without a mark, mean, median and how
// many reached the pass mark; each value also in data-value for other tools.
void WriteClassSummary(std::ostream& html, const std::vector<CExamineeRecord>& records, double passMark);

// The marks' histogram in tenths, with the pass mark drawn across it.
void WriteHistogram(std::ostream& html, const std::vector<CExamineeRecord>& records, double passMark);

}  // namespace vantrel::cli::batch
