#pragma once

#include <string>

namespace vantrel::platform {

// Registry keys, program paths and ProgIDs compare without regard to case, as Windows does.
// Only ASCII letters fold, so the trail bytes of double-byte characters stay as they are.
inline std::string FoldAsciiCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace vantrel::platform
