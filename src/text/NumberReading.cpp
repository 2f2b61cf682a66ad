#include "text/NumberReading.h"

#include <charconv>
#include <limits>
#include <string>

#include "text/WhiteSpace.h"

namespace vantrel::text {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and a sign; returns whether the number is negative.
bool SkipToDigits(std::string_view text, std::size_t& i)
{
    while (i < text.size() && IsWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    return negative;
}

}  // namespace

double ReadDecimal(std::string_view text)
{
    std::size_t used = 0;
    return ReadDecimal(text, used);
}

double ReadDecimal(std::string_view text, std::size_t& used)
{
    used = 0;
    std::size_t i = 0;
    const bool negative = SkipToDigits(text, i);
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    bool positiveExponent = true;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) positiveExponent = text[j++] == '+';
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            end = j;
        }
    }
    used = end;
    double value = 0.0;
    auto [ptr, error] = std::from_chars(text.data() + start, text.data() + end, value);
    (void)ptr;
    if (error == std::errc::result_out_of_range)
        value = positiveExponent ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::int32_t ReadInteger(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = SkipToDigits(text, i);
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    while (i < text.size() && IsDigit(text[i])) {
        value = value * 10 + (text[i++] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

}  // namespace vantrel::text
