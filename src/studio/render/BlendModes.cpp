#include "studio/render/BlendModes.h"
#include "studio/render/Avx2Clones.h"

#include <algorithm>
#include <cmath>

#include "studio/psd/FourCharKey.h"
#include "studio/render/CompositeKernels.h"

using vantrel::studio::psd::FourCharKey;

namespace vantrel::studio::render {

namespace {

constexpr auto Key = FourCharKey;

struct CModeKey {
    std::uint32_t key;
    BlendMode mode;
};

constexpr CModeKey kModeKeys[] = {
    {Key("pass"), BlendMode::PassThrough}, {Key("norm"), BlendMode::Normal},
    {Key("diss"), BlendMode::Dissolve},    {Key("dark"), BlendMode::Darken},
    {Key("mul "), BlendMode::Multiply},    {Key("idiv"), BlendMode::ColorBurn},
    {Key("lbrn"), BlendMode::LinearBurn},  {Key("dkCl"), BlendMode::DarkerColor},
    {Key("lite"), BlendMode::Lighten},     {Key("scrn"), BlendMode::Screen},
    {Key("div "), BlendMode::ColorDodge},  {Key("lddg"), BlendMode::LinearDodge},
    {Key("lgCl"), BlendMode::LighterColor}, {Key("over"), BlendMode::Overlay},
    {Key("sLit"), BlendMode::SoftLight},   {Key("hLit"), BlendMode::HardLight},
    {Key("vLit"), BlendMode::VividLight},  {Key("lLit"), BlendMode::LinearLight},
    {Key("pLit"), BlendMode::PinLight},    {Key("hMix"), BlendMode::HardMix},
    {Key("diff"), BlendMode::Difference},  {Key("smud"), BlendMode::Exclusion},
    {Key("fsub"), BlendMode::Subtract},    {Key("fdiv"), BlendMode::Divide},
    {Key("hue "), BlendMode::Hue},         {Key("sat "), BlendMode::Saturation},
    {Key("colr"), BlendMode::Color},       {Key("lum "), BlendMode::Luminosity},
};

inline float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

inline float Multiply(float b, float s) { return b * s; }
inline float Screen(float b, float s) { return b + s - b * s; }
inline float ColorBurn(float b, float s)
{
    if (b >= 1.0f) return 1.0f;
    if (s <= 0.0f) return 0.0f;
    return 1.0f - std::min(1.0f, (1.0f - b) / s);
}
inline float ColorDodge(float b, float s)
{
    if (b <= 0.0f) return 0.0f;
    if (s >= 1.0f) return 1.0f;
    return std::min(1.0f, b / (1.0f - s));
}
inline float HardLight(float b, float s)
{
    // Both sides are computed and one is chosen, which vectorises where a branch would not.
    const float dark = Multiply(b, 2 * s);
    const float light = Screen(b, 2 * s - 1);
    return s <= 0.5f ? dark : light;
}
inline float SoftLight(float b, float s)
{
    if (s <= 0.5f) return b - (1 - 2 * s) * b * (1 - b);
    const float d = b <= 0.25f ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
    return b + (2 * s - 1) * (d - b);
}
inline float VividLight(float b, float s) { return s <= 0.5f ? ColorBurn(b, 2 * s) : ColorDodge(b, 2 * s - 1); }
inline float PinLight(float b, float s) { return s <= 0.5f ? std::min(b, 2 * s) : std::max(b, 2 * s - 1); }
inline float Divide(float b, float s)
{
    if (s <= 0.0f) return b <= 0.0f ? 0.0f : 1.0f;
    return std::min(1.0f, b / s);
}

// Inlined always, so that each build of BlendColours carries its own vector code.
template <typename F>
[[gnu::always_inline]] inline void Separable(int planeCount, const float* const* backdrop, const float* const* source, float* const* out,
               std::size_t count, F blend)
{
    for (int p = 0; p < planeCount; ++p) {
        const float* b = backdrop[p];
        const float* s = source[p];
        float* o = out[p];
        // Each output sample depends only on the samples at its own place, so out may be the
        // backdrop and the loop still runs in vector blocks.
        kernels::Blocked(count, [=](std::size_t i) { o[i] = blend(b[i], s[i]); });
    }
}

// The non-separable modes, on red, green and blue, with the usual luminosity weights.
struct CRgb {
    float r, g, b;
};
inline float Lum(CRgb c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }
inline CRgb ClipColor(CRgb c)
{
    const float l = Lum(c);
    const float n = std::min({c.r, c.g, c.b});
    const float x = std::max({c.r, c.g, c.b});
    auto scale = [&](float v) {
        if (n < 0.0f) v = l + (v - l) * l / (l - n);
        if (x > 1.0f) v = l + (v - l) * (1 - l) / (x - l);
        return v;
    };
    if (n < 0.0f || x > 1.0f) return {scale(c.r), scale(c.g), scale(c.b)};
    return c;
}
inline CRgb SetLum(CRgb c, float l)
{
    const float d = l - Lum(c);
    return ClipColor({c.r + d, c.g + d, c.b + d});
}
inline float Sat(CRgb c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}); }
inline CRgb SetSat(CRgb c, float s)
{
    float* v[3] = {&c.r, &c.g, &c.b};
    std::sort(v, v + 3, [](const float* a, const float* b) { return *a < *b; });
    float& mn = *v[0];
    float& mid = *v[1];
    float& mx = *v[2];
    if (mx > mn) {
        mid = (mid - mn) * s / (mx - mn);
        mx = s;
    } else {
        mid = mx = 0;
    }
    mn = 0;
    return c;
}

template <typename F>
[[gnu::always_inline]] inline void NonSeparable(const float* const* backdrop, const float* const* source, float* const* out, std::size_t count,
                  F blend)
{
    for (std::size_t i = 0; i < count; ++i) {
        const CRgb b{backdrop[0][i], backdrop[1][i], backdrop[2][i]};
        const CRgb s{source[0][i], source[1][i], source[2][i]};
        const CRgb o = blend(b, s);
        out[0][i] = Clamp01(o.r);
        out[1][i] = Clamp01(o.g);
        out[2][i] = Clamp01(o.b);
    }
}

// Darker and lighter colour take one whole pixel or the other, by the sum of its channels.
void PickColour(bool darker, int planeCount, const float* const* backdrop, const float* const* source,
                float* const* out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        float sumB = 0, sumS = 0;
        for (int p = 0; p < planeCount; ++p) {
            sumB += backdrop[p][i];
            sumS += source[p][i];
        }
        const bool takeSource = darker ? sumS < sumB : sumS > sumB;
        for (int p = 0; p < planeCount; ++p) out[p][i] = takeSource ? source[p][i] : backdrop[p][i];
    }
}

void Keep(int planeCount, const float* const* from, float* const* out, std::size_t count)
{
    for (int p = 0; p < planeCount; ++p)
        if (out[p] != from[p]) std::copy(from[p], from[p] + count, out[p]);
}

}  // namespace

BlendMode BlendModeFromKey(std::uint32_t key, bool& known)
{
    for (const auto& entry : kModeKeys)
        if (entry.key == key) {
            known = true;
            return entry.mode;
        }
    known = false;
    return BlendMode::Normal;
}

// Built for AVX2 too, chosen when the processor has it: twice the floats per instruction.
VANTREL_AVX2_CLONES void BlendColours(BlendMode mode, int planeCount, const float* const* backdrop, const float* const* source,
                  float* const* out, std::size_t count)
{
    const int n = planeCount;
    const bool rgb = planeCount == 3;
    switch (mode) {
    case BlendMode::PassThrough:
    case BlendMode::Normal:
    case BlendMode::Dissolve: Keep(n, source, out, count); break;
    case BlendMode::Darken: Separable(n, backdrop, source, out, count, [](float b, float s) { return std::min(b, s); }); break;
    case BlendMode::Multiply: Separable(n, backdrop, source, out, count, [](float b, float s) { return Multiply(b, s); }); break;
    case BlendMode::ColorBurn: Separable(n, backdrop, source, out, count, [](float b, float s) { return ColorBurn(b, s); }); break;
    case BlendMode::LinearBurn:
        Separable(n, backdrop, source, out, count, [](float b, float s) { return std::max(0.0f, b + s - 1); });
        break;
    case BlendMode::DarkerColor: PickColour(true, n, backdrop, source, out, count); break;
    case BlendMode::Lighten: Separable(n, backdrop, source, out, count, [](float b, float s) { return std::max(b, s); }); break;
    case BlendMode::Screen: Separable(n, backdrop, source, out, count, [](float b, float s) { return Screen(b, s); }); break;
    case BlendMode::ColorDodge: Separable(n, backdrop, source, out, count, [](float b, float s) { return ColorDodge(b, s); }); break;
    case BlendMode::LinearDodge:
        Separable(n, backdrop, source, out, count, [](float b, float s) { return std::min(1.0f, b + s); });
        break;
    case BlendMode::LighterColor: PickColour(false, n, backdrop, source, out, count); break;
    case BlendMode::Overlay: Separable(n, backdrop, source, out, count, [](float b, float s) { return HardLight(s, b); }); break;
    case BlendMode::SoftLight: Separable(n, backdrop, source, out, count, [](float b, float s) { return SoftLight(b, s); }); break;
    case BlendMode::HardLight: Separable(n, backdrop, source, out, count, [](float b, float s) { return HardLight(b, s); }); break;
    case BlendMode::VividLight: Separable(n, backdrop, source, out, count, [](float b, float s) { return VividLight(b, s); }); break;
    case BlendMode::LinearLight:
        Separable(n, backdrop, source, out, count, [](float b, float s) { return Clamp01(b + 2 * s - 1); });
        break;
    case BlendMode::PinLight: Separable(n, backdrop, source, out, count, [](float b, float s) { return PinLight(b, s); }); break;
    case BlendMode::HardMix:
        Separable(n, backdrop, source, out, count, [](float b, float s) { return b + s >= 1.0f ? 1.0f : 0.0f; });
        break;
    case BlendMode::Difference: Separable(n, backdrop, source, out, count, [](float b, float s) { return std::fabs(b - s); }); break;
    case BlendMode::Exclusion: Separable(n, backdrop, source, out, count, [](float b, float s) { return b + s - 2 * b * s; }); break;
    case BlendMode::Subtract: Separable(n, backdrop, source, out, count, [](float b, float s) { return std::max(0.0f, b - s); }); break;
    case BlendMode::Divide: Separable(n, backdrop, source, out, count, [](float b, float s) { return Divide(b, s); }); break;
    case BlendMode::Hue:
        if (rgb) NonSeparable(backdrop, source, out, count, [](CRgb b, CRgb s) { return SetLum(SetSat(s, Sat(b)), Lum(b)); });
        else Keep(n, backdrop, out, count);
        break;
    case BlendMode::Saturation:
        if (rgb) NonSeparable(backdrop, source, out, count, [](CRgb b, CRgb s) { return SetLum(SetSat(b, Sat(s)), Lum(b)); });
        else Keep(n, backdrop, out, count);
        break;
    case BlendMode::Color:
        if (rgb) NonSeparable(backdrop, source, out, count, [](CRgb b, CRgb s) { return SetLum(s, Lum(b)); });
        else Keep(n, backdrop, out, count);
        break;
    case BlendMode::Luminosity:
        if (rgb) NonSeparable(backdrop, source, out, count, [](CRgb b, CRgb s) { return SetLum(b, Lum(s)); });
        else Keep(n, source, out, count);
        break;
    }
}

float FillNeutral(BlendMode mode)
{
    switch (mode) {
    case BlendMode::LinearBurn: return 1.0f;
    case BlendMode::LinearDodge: return 0.0f;
    case BlendMode::LinearLight: return 0.5f;
    default: return -1.0f;
    }
}

}  // namespace vantrel::studio::render
