#pragma once

#include <string>

#include "document/PsdHeader.h"

namespace vantrel::document {

enum class CompareOp { Equal = 0, Greater = 1, Less = 2, GreaterOrEqual = 3, LessOrEqual = 4, NotEqual = 5 };


// Decides a property criterion NAME(KEY OP VALUE ...) from a document's header: true when
// every comparison in the arguments holds. The arguments are trimmed in place.
bool EvaluatePropertyCriterion(const CPsdHeader& header, const std::string& name, std::string& arguments);
// One KEY OP VALUE token of a criterion; false when it has no operator or names no criterion.
bool EvaluateComparison(const CPsdHeader& header, const std::string& name, const std::string& token);
// IMAGE keys; a key not in the table passes.
bool CheckImageProperty(const CPsdHeader& header, const std::string& key, const std::string& value, CompareOp op);
// LAYER and MASK keys: layers and masks are not examined.
bool CheckLayerProperty(const std::string& key, const std::string& value, CompareOp op);

}  // namespace vantrel::document
