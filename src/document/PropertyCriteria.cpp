#include <array>
#include <optional>
#include <string_view>

#include "document/PropertyCriteria.h"
#include "text/ColorModeNames.h"
#include "text/NumberReading.h"
#include "text/WhiteSpace.h"

namespace vantrel::document {

namespace {

// The longest value that fits the working buffer of a comparison.
constexpr std::size_t kMaxValue = 199;

struct OperatorText {
    std::string_view text;
    CompareOp op;
};
// Searched in this order: the two-character operators first.
constexpr std::array<OperatorText, 6> kOperators = {{
    {">=", CompareOp::GreaterOrEqual},
    {"<=", CompareOp::LessOrEqual},
    {"<>", CompareOp::NotEqual},
    {"=", CompareOp::Equal},
    {">", CompareOp::Greater},
    {"<", CompareOp::Less},
}};

// The colour modes an answer key may name; any other name matches no document.
std::int32_t ColorModeCode(const std::string& name)
{
    for (const auto& mode : text::kColorModeNames)
        if (mode.inAnswerKeys && mode.keyword == name) return mode.code;
    return -1;
}

std::int32_t ValueOf(const CPsdHeader& header, ImageKey key)
{
    switch (key) {
    case ImageKey::Width: return header.width;
    case ImageKey::Height: return header.height;
    case ImageKey::Channel: return header.channels;
    case ImageKey::ColorMode: return header.colorMode;
    }
    return 0;
}

// The header value a comparison looked at; none for keys outside IMAGE's table.
std::optional<std::int32_t> SeenValue(const CPsdHeader& header, const std::string& name, const std::string& token)
{
    if (name != "IMAGE") return std::nullopt;
    const auto comparison = ParseComparison(token);
    const auto key = comparison ? FindImageKey(comparison->key) : std::nullopt;
    if (!key) return std::nullopt;
    return ValueOf(header, *key);
}

bool Compare(std::int32_t actual, std::int32_t stated, CompareOp op)
{
    switch (op) {
    case CompareOp::GreaterOrEqual: return actual >= stated;
    case CompareOp::LessOrEqual: return actual <= stated;
    case CompareOp::NotEqual: return actual != stated;
    case CompareOp::Equal: return actual == stated;
    case CompareOp::Greater: return actual > stated;
    case CompareOp::Less: return actual < stated;
    }
    return false;
}

// Alternatives match whole values: each part between "|" is read as a number.
bool MatchesAlternative(std::int32_t actual, std::string_view alternatives)
{
    for (;;) {
        const std::size_t bar = alternatives.find('|');
        if (text::ReadInteger(alternatives.substr(0, bar)) == actual) return true;
        if (bar == std::string_view::npos) return false;
        alternatives.remove_prefix(bar + 1);
    }
}

}  // namespace

std::optional<CComparison> ParseComparison(const std::string& token)
{
    for (const auto& candidate : kOperators) {
        const std::size_t at = token.find(candidate.text);
        if (at == std::string::npos) continue;
        return CComparison{token.substr(0, at), token.substr(at + candidate.text.size()), candidate.op};
    }
    return std::nullopt;
}

bool ForEachComparisonToken(std::string& arguments, const std::function<bool(const std::string&)>& visit)
{
    text::TrimLeft(arguments);
    if (!arguments.empty() && arguments.front() == '(') arguments.front() = ' ';
    if (!arguments.empty() && arguments.back() == ')') arguments.back() = ' ';
    text::Trim(arguments);
    arguments += ' ';

    std::size_t cut = 0;
    for (std::size_t p = 0; p < arguments.size(); ++p) {
        if (arguments[p] != ' ') continue;
        if (!visit(arguments.substr(cut, p - cut))) return false;
        cut = p + 1;
    }
    return true;
}

std::optional<ImageKey> FindImageKey(const std::string& key)
{
    if (key == "WIDTH" || key == "WIDTHS") return ImageKey::Width;
    if (key == "HEIGHT" || key == "HEIGHTS") return ImageKey::Height;
    if (key == "CHANNEL") return ImageKey::Channel;
    if (key == "COLORMODE" || key == "COLORMODES") return ImageKey::ColorMode;
    return std::nullopt;
}

bool IsImageKey(const std::string& key)
{
    return FindImageKey(key).has_value();
}

bool EvaluatePropertyCriterion(const CPsdHeader& header, const std::string& name, std::string& arguments,
                               std::vector<CComparisonOutcome>* outcomes)
{
    return ForEachComparisonToken(arguments, [&](const std::string& token) {
        const bool passed = EvaluateComparison(header, name, token);
        if (outcomes) outcomes->push_back({token, SeenValue(header, name, token), passed});
        return passed;
    });
}

bool EvaluateComparison(const CPsdHeader& header, const std::string& name, const std::string& token)
{
    const auto comparison = ParseComparison(token);
    if (!comparison) return false;
    if (name == "IMAGE") return CheckImageProperty(header, comparison->key, comparison->value, comparison->op);
    if (name == "LAYER" || name == "MASK") return CheckLayerProperty(comparison->key, comparison->value, comparison->op);
    return false;
}

bool CheckImageProperty(const CPsdHeader& header, const std::string& key, const std::string& value, CompareOp op)
{
    const auto imageKey = FindImageKey(key);
    if (!imageKey) return true;
    if (value.size() > kMaxValue) return false;

    const std::int32_t actual = ValueOf(header, *imageKey);
    const bool colorMode = *imageKey == ImageKey::ColorMode;

    if (const std::size_t dots = value.find(".."); dots != std::string::npos) {
        if (op != CompareOp::Equal || colorMode) return false;
        const std::string_view text(value);
        return text::ReadInteger(text.substr(0, dots)) <= actual && actual <= text::ReadInteger(text.substr(dots + 2));
    }
    if (value.find('|') != std::string::npos) {
        if (op != CompareOp::Equal || colorMode) return false;
        return MatchesAlternative(actual, value);
    }
    if (colorMode) return op == CompareOp::Equal && ColorModeCode(value) == actual;
    return Compare(actual, text::ReadInteger(value), op);
}

bool CheckLayerProperty(const std::string&, const std::string&, CompareOp)
{
    // Layers and masks are not examined: any well-formed comparison passes.
    return true;
}

}  // namespace vantrel::document
