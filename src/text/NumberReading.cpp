#include "text/NumberReading.h"

#include <algorithm>
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

// Whether a number too large or too small for a double is too large: the power of ten of its
// first non-zero digit, with the exponent added, is then at least 0. The exponent saturates,
// so that no count of its digits can wrap the sum.
bool AboveRange(std::string_view number)
{
    const std::size_t exponentMark = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, exponentMark);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return false;
    // A digit before the point stands for 10^(point - first - 1), one after it for 10^(point - first).
    const std::int64_t power =
        static_cast<std::int64_t>(point) - static_cast<std::int64_t>(first) - (first < point ? 1 : 0);
    std::int64_t exponent = 0;
    bool negativeExponent = false;
    std::size_t i = exponentMark + 1;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negativeExponent = number[i++] == '-';
    constexpr std::int64_t kSaturated = std::int64_t{1} << 40;
    for (; i < number.size(); ++i) exponent = std::min(exponent * 10 + (number[i] - '0'), kSaturated);
    return power + (negativeExponent ? -exponent : exponent) >= 0;
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
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            end = j;
        }
    }
    used = end;
    double value = 0.0;
    auto [ptr, error] = std::from_chars(text.data() + start, text.data() + end, value);
    (void)ptr;
    // Beyond the range, the value decides: infinity above it and zero below, as atof gives.
    if (error == std::errc::result_out_of_range)
        value = AboveRange(text.substr(start, end - start)) ? std::numeric_limits<double>::infinity() : 0.0;
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
