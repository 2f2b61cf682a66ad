#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel::text {

// Reads a number the way atof does: leading white space, an optional sign, digits with an
// optional decimal point, an optional exponent; reading stops at the first character that
// does not fit and no number gives 0. Independent of the process locale.
double ReadDecimal(std::string_view text);
// The same, telling how many characters of text the number took: 0 when there was none.
double ReadDecimal(std::string_view text, std::size_t& used);

// Reads a decimal integer the way atoi does: leading white space, an optional sign, digits up
// to the first other character; no digits gives 0 and values beyond 32 bits saturate.
std::int32_t ReadInteger(std::string_view text);

}  // namespace vantrel::text
