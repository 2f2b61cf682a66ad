#include "effects/compare/HistogramCosine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vantrel::effects::compare {

double HistogramCosine(const kernels::BinCounts& a, const kernels::BinCounts& b, int firstBin)
{
    // The products are exact integers and the sums doubles, added bin by bin in order.
    double sab = 0;
    double saa = 0;
    double sbb = 0;
    for (int j = firstBin; j < kernels::kBinCount; ++j) {
        const std::uint64_t ha = a[j];
        const std::uint64_t hb = b[j];
        sab += static_cast<double>(ha * hb);
        saa += static_cast<double>(ha * ha);
        sbb += static_cast<double>(hb * hb);
    }
    const double r = std::sqrt(saa * sbb);
    if (!(r > 0))
        return 0;
    // Rounding can carry the quotient of two nearly parallel histograms a hair above 1.
    return std::min(sab / r, 1.0);
}

}  // namespace vantrel::effects::compare
