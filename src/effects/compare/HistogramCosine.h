#pragma once

// The cosine of the angle between two binned histograms, which both image comparisons take.

#include "effects/compare/kernels/ComparisonKernels.h"

namespace vantrel::effects::compare {

// Over the bins from firstBin on. A result from 0 to 1; 0 when either histogram has nothing
// counted in those bins.
double HistogramCosine(const kernels::BinCounts& a, const kernels::BinCounts& b, int firstBin);

}  // namespace vantrel::effects::compare
