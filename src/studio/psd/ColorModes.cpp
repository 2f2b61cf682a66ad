#include "studio/psd/ColorModes.h"

#include "text/ColorModeNames.h"

namespace vantrel::studio {

namespace {
constexpr std::string_view TitleOf(int code) { return text::FindColorMode(code)->title; }

constexpr CColorMode kReadableModes[] = {
    {0, TitleOf(0), 1, 1, 1},
    {1, TitleOf(1), 8, 1, 1},
    {2, TitleOf(2), 8, 1, 3},
    {3, TitleOf(3), 8, 3, 3},
    {4, TitleOf(4), 8, 4, 3},
};
}  // namespace

const CColorMode* FindReadableColorMode(int code)
{
    for (const auto& mode : kReadableModes)
        if (mode.code == code) return &mode;
    return nullptr;
}

}  // namespace vantrel::studio
