#pragma once

#include <string_view>

namespace vantrel::text {

// The colour modes a document header may declare: the code, the upper-case name answer keys
// and reports use, and the name an editor shows in a document window's title.
struct ColorModeName {
    int code;
    std::string_view keyword;
    std::string_view title;
    bool inAnswerKeys;  // a value COLORMODE= accepts
};

inline constexpr ColorModeName kColorModeNames[] = {
    {0, "BITMAP", "Bitmap", true},
    {1, "GRAYSCALE", "Grayscale", true},
    {2, "INDEXED", "Indexed", false},
    {3, "RGB", "RGB", true},
    {4, "CMYK", "CMYK", true},
    {7, "MULTICHANNEL", "Multichannel", false},
    {8, "DUOTONE", "Duotone", false},
    {9, "LAB", "Lab", false},
};

// The entry of a code, or null for a code no mode has.
constexpr const ColorModeName* FindColorMode(int code)
{
    for (const auto& mode : kColorModeNames)
        if (mode.code == code) return &mode;
    return nullptr;
}

}  // namespace vantrel::text
