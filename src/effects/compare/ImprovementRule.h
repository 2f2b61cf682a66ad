#pragma once

namespace vantrel::effects::compare {

// Combines a (examinee against reference) and b (starting image against reference) into
// credit for how far the work moved the starting image towards the reference.
double ApplyImprovementRule(double a, double b);

}  // namespace vantrel::effects::compare
