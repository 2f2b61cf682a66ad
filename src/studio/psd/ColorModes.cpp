#include "studio/psd/ColorModes.h"

#include "text/ColorModeNames.h"

namespace vantrel::studio::psd {

namespace {
constexpr std::string_view TitleOf(int code) { return text::FindColorMode(code)->title; }

// 32-bit documents hold linear light, which an editor offers for RGB and Grayscale only. The
// other modes exist at 8 and 16 bits, Indexed at 8 only and Bitmap at 1; Duotone samples are
// plain grey ones, read at 16 bits as well.
constexpr CColorMode kReadableModes[] = {
    {0, TitleOf(0), kDepth1, 1},
    {1, TitleOf(1), kDepth8 | kDepth16 | kDepth32, 1},
    {2, TitleOf(2), kDepth8, 1},
    {3, TitleOf(3), kDepth8 | kDepth16 | kDepth32, 3},
    {4, TitleOf(4), kDepth8 | kDepth16, 4},
    {7, TitleOf(7), kDepth8 | kDepth16, 0},
    {8, TitleOf(8), kDepth8 | kDepth16, 1},
    {9, TitleOf(9), kDepth8 | kDepth16, 3},
};
}  // namespace

const CColorMode* FindReadableColorMode(int code)
{
    for (const auto& mode : kReadableModes)
        if (mode.code == code) return &mode;
    return nullptr;
}

bool AllowsDepth(const CColorMode& mode, int depth)
{
    switch (depth) {
    case 1: return (mode.depths & kDepth1) != 0;
    case 8: return (mode.depths & kDepth8) != 0;
    case 16: return (mode.depths & kDepth16) != 0;
    case 32: return (mode.depths & kDepth32) != 0;
    default: return false;
    }
}

}  // namespace vantrel::studio::psd
