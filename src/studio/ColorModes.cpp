#include "studio/ColorModes.h"

namespace vantrel::studio {

namespace {
constexpr CColorMode kReadableModes[] = {
    {0, "Bitmap", 1, 1, 1},
    {1, "Grayscale", 8, 1, 1},
    {2, "Indexed", 8, 1, 3},
    {3, "RGB", 8, 3, 3},
    {4, "CMYK", 8, 4, 3},
};
}  // namespace

const CColorMode* FindReadableColorMode(int code)
{
    for (const auto& mode : kReadableModes)
        if (mode.code == code) return &mode;
    return nullptr;
}

const char* ColorModeName(int code)
{
    if (const auto* mode = FindReadableColorMode(code)) return mode->name;
    switch (code) {
    case 7: return "Multichannel";
    case 8: return "Duotone";
    case 9: return "Lab";
    default: return "unknown";
    }
}

}  // namespace vantrel::studio
