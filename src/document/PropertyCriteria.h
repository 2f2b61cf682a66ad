#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// The header values IMAGE's table compares.
enum class ImageKey { Width, Height, Channel, ColorMode };
// The value a key of IMAGE's table names; nullopt for other keys, which pass unexamined.
std::optional<ImageKey> FindImageKey(const std::string& key);
bool IsImageKey(const std::string& key);

// What one comparison of a property criterion met, for a caller that explains a mark.
struct CComparisonOutcome {
    std::string token;                  // KEY OP VALUE as the criterion gives it
    std::optional<std::int32_t> seen;   // the document's value, for the keys of IMAGE's table
    bool passed = false;
};

// Decides a property criterion NAME(KEY OP VALUE ...) from a document's header: true when
// every comparison in the arguments holds. The arguments are trimmed in place. With outcomes,
// each comparison evaluated is added there; evaluation stops at the first that fails.
bool EvaluatePropertyCriterion(const CPsdHeader& header, const std::string& name, std::string& arguments,
                               std::vector<CComparisonOutcome>* outcomes = nullptr);
// One KEY OP VALUE token of a criterion; false when it has no operator or names no criterion.
bool EvaluateComparison(const CPsdHeader& header, const std::string& name, const std::string& token);
// IMAGE keys; a key not in the table passes.
bool CheckImageProperty(const CPsdHeader& header, const std::string& key, const std::string& value, CompareOp op);
// LAYER and MASK keys: layers and masks are not examined.
bool CheckLayerProperty(const std::string& key, const std::string& value, CompareOp op);

}  // namespace vantrel::document
