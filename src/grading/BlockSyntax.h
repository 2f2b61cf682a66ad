#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "effects/compare/EffectReport.h"

namespace vantrel::grading {

// What the evaluator reads from a block text before any criterion is looked at.
struct CBlockHead {
    std::string weightToken;
    double weight = 0;
    std::size_t criteriaStart = 0;  // where the criteria list begins in the rewritten text
};

// Rewrites a block text as the evaluator reads it (white space at both ends removed, CR, LF,
// "," and ";" made blanks, blanks normalised) and reads its weight token.
CBlockHead ReadBlockHead(std::string& blockText);

// Removes the blanks next to the separators blank, "(", ")", "/", "|", "=" and "..".
void NormalizeBlockBlanks(std::string& text);

// Cuts the next NAME(ARGUMENTS) off the front of list: up to the ")" that balances the first
// "(", or up to a ")" that closes nothing when there is no "(". False, with the list left as
// it was, when no ")" ends a criterion.
bool CutCriterion(std::string_view& list, std::string_view& criterion);

// A criterion's name (the text before its first "(", empty without one) and arguments.
struct CCriterionParts {
    std::string name;
    std::string arguments;
};
CCriterionParts SplitCriterion(std::string_view criterion);

// The effect mode of an effect criterion's name; nullopt for a property criterion.
std::optional<effects::compare::EffectMode> EffectModeOfName(const std::string& name);

}  // namespace vantrel::grading
