#pragma once

#include <string>
#include <string_view>

namespace vantrel::text {

// The text with A to Z made lower case and every other byte left as it is, so that a trail
// byte of a double-byte character is never changed.
inline std::string AsciiLowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

}  // namespace vantrel::text
