#pragma once

#include <functional>
#include <optional>
#include <string>

#include "document/PsdHeader.h"

namespace vantrel::document {

enum class CompareOp { Equal = 0, Greater = 1, Less = 2, GreaterOrEqual = 3, LessOrEqual = 4, NotEqual = 5 };

// One KEY OP VALUE token split at the first operator found, two-character operators first.
struct CComparison {
    std::string key;
    std::string value;
    CompareOp op = CompareOp::Equal;
};
std::optional<CComparison> ParseComparison(const std::string& token);

// Trims a criterion's arguments in place, drops their outer parentheses and hands each
// blank-separated token on in order while visit returns true; false when visit stopped it.
// An empty argument list is one empty token.
bool ForEachComparisonToken(std::string& arguments, const std::function<bool(const std::string&)>& visit);

// Whether a key is one of IMAGE's table; other keys pass unexamined.
bool IsImageKey(const std::string& key);

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
