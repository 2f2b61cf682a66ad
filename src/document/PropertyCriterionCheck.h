#pragma once

#include <string>
#include <vector>

namespace vantrel::document {

// What a property criterion's comparison does whatever document it meets, decided by the
// grader's own parsing and comparison.
enum class ComparisonFinding {
    UnknownCriterion,  // a name other than IMAGE, LAYER and MASK: the criterion always fails
    NoComparison,      // empty arguments: the criterion always fails
    NoOperator,        // a token without =, <, >: the criterion always fails
    UnknownKey,        // an IMAGE key not in its table: passes unexamined
    NotExamined,       // LAYER and MASK: layers and masks are not looked at, so it passes
    NeverMatches,      // no document passes it
    AlwaysMatches,     // every document passes it
};

struct CComparisonFinding {
    ComparisonFinding finding;
    std::string token;  // the comparison, or the criterion's name for UnknownCriterion
};

// The comparisons of a criterion that do not depend on the document in the ordinary way;
// empty when every comparison is decided by the document.
std::vector<CComparisonFinding> CheckPropertyCriterion(const std::string& name, std::string arguments);

}  // namespace vantrel::document
