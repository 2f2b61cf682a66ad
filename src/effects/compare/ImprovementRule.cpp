#include "effects/compare/ImprovementRule.h"

#include <cmath>

namespace vantrel::effects::compare {

double ApplyImprovementRule(double a, double b)
{
    const double d = std::fabs(a - b);
    if (d < 0.02) return 0;
    // A small loss against the starting image counts as a gain of the same size.
    const double x = (a < b && d < 0.1 * b) ? b + d : a;
    double y = x - b;
    if (y < 0) y = 0;
    if (b == 1) return y > 0 ? 1 : 0;
    double s = (x + y / (1 - b)) * 0.5;
    if (!(s > 0)) return 0;
    if (s >= 1) s = 1;
    return std::pow(s, 0.7);
}

}  // namespace vantrel::effects::compare
