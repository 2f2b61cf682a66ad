#pragma once

#include <cstdio>
#include <string>

namespace vantrel::cli::batch {

// Text for an element's content or a quoted attribute.
inline std::string Html(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// A number with a fixed count of decimals, so that a column of them lines up.
inline std::string Fixed(double value, int digits = 4)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

}  // namespace vantrel::cli::batch
