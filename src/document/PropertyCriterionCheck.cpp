#include "document/PropertyCriterionCheck.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "document/PropertyCriteria.h"
#include "text/ColorModeNames.h"
#include "text/NumberReading.h"

namespace vantrel::document {

namespace {

// The header values a document can have: sides up to the large-document format's limit.
constexpr std::int64_t kMaxSide = 300000;
constexpr std::int64_t kMaxChannels = 56;
// Longer values fail every comparison; reading their numbers would only cost time.
constexpr std::size_t kLongestValueRead = 200;

// The numbers a value names, read as the comparison reads them, between "|" and "..".
std::vector<std::int64_t> NumbersIn(std::string_view value)
{
    std::vector<std::int64_t> numbers;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        const bool bar = i < value.size() && value[i] == '|';
        const bool dots = i + 1 < value.size() && value[i] == '.' && value[i + 1] == '.';
        if (i < value.size() && !bar && !dots) continue;
        numbers.push_back(text::ReadInteger(value.substr(start, i - start)));
        if (dots) ++i;
        start = i + 1;
    }
    return numbers;
}

// Documents that meet every way a comparison of this value can go: comparisons change their
// verdict only at the numbers the value names, so those, their neighbours and the limits of
// each header field cover every case; and each colour mode once.
std::vector<CPsdHeader> DocumentsFor(const std::string& value)
{
    std::vector<std::int64_t> candidates = {1, kMaxChannels, kMaxSide};
    for (const std::int64_t n : NumbersIn(std::string_view(value).substr(0, kLongestValueRead)))
        for (const std::int64_t near : {n - 1, n, n + 1}) candidates.push_back(near);

    std::vector<CPsdHeader> documents;
    for (const std::int64_t v : candidates) {
        CPsdHeader header;
        header.width = header.height = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 1, kMaxSide));
        header.channels = static_cast<std::int16_t>(std::clamp<std::int64_t>(v, 1, kMaxChannels));
        header.colorMode = 3;
        documents.push_back(header);
    }
    for (const auto& mode : text::kColorModeNames) {
        CPsdHeader header;
        header.width = header.height = header.channels = 1;
        header.colorMode = static_cast<std::int16_t>(mode.code);
        documents.push_back(header);
    }
    return documents;
}

std::optional<ComparisonFinding> FindingOfImageComparison(const CComparison& comparison)
{
    if (!IsImageKey(comparison.key)) return ComparisonFinding::UnknownKey;
    std::size_t passed = 0;
    const auto documents = DocumentsFor(comparison.value);
    for (const CPsdHeader& header : documents)
        passed += CheckImageProperty(header, comparison.key, comparison.value, comparison.op) ? 1 : 0;
    if (passed == 0) return ComparisonFinding::NeverMatches;
    if (passed == documents.size()) return ComparisonFinding::AlwaysMatches;
    return std::nullopt;
}

}  // namespace

std::vector<CComparisonFinding> CheckPropertyCriterion(const std::string& name, std::string arguments)
{
    const bool image = name == "IMAGE";
    if (!image && name != "LAYER" && name != "MASK") return {{ComparisonFinding::UnknownCriterion, name}};
    std::vector<CComparisonFinding> findings;
    ForEachComparisonToken(arguments, [&](const std::string& token) {
        std::optional<ComparisonFinding> finding;
        if (token.empty()) finding = ComparisonFinding::NoComparison;
        else if (const auto comparison = ParseComparison(token); !comparison) finding = ComparisonFinding::NoOperator;
        else if (!image) finding = ComparisonFinding::NotExamined;
        else finding = FindingOfImageComparison(*comparison);
        if (finding) findings.push_back({*finding, token});
        return true;
    });
    return findings;
}

}  // namespace vantrel::document
