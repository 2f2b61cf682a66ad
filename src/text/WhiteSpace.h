#pragma once

#include <string>

namespace vantrel::text {

// The ASCII white-space characters: blank, tab, LF, VT, FF, CR.
inline bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline void TrimLeft(std::string& text)
{
    std::size_t first = 0;
    while (first < text.size() && IsWhiteSpace(text[first])) ++first;
    text.erase(0, first);
}

inline void TrimRight(std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && IsWhiteSpace(text[end - 1])) --end;
    text.erase(end);
}

inline void Trim(std::string& text)
{
    TrimRight(text);
    TrimLeft(text);
}

}  // namespace vantrel::text
