#include "studio/render/BlendModes.h"

#include "studio/psd/FourCharKey.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using vantrel::studio::BlendColours;
using vantrel::studio::BlendModeFromKey;
using vantrel::studio::EBlendMode;

constexpr auto Key = vantrel::studio::FourCharKey;

// B(backdrop, source) for one grey pixel, on the 0..255 scale.
float Grey(EBlendMode mode, float backdrop, float source)
{
    float b = backdrop / 255, s = source / 255, out = 0;
    const float* bp[] = {&b};
    const float* sp[] = {&s};
    float* op[] = {&out};
    BlendColours(mode, 1, bp, sp, op, 1);
    return out * 255;
}

std::array<float, 3> Rgb(EBlendMode mode, std::array<float, 3> backdrop, std::array<float, 3> source)
{
    std::array<float, 3> b{}, s{}, out{};
    for (int c = 0; c < 3; ++c) {
        b[c] = backdrop[c] / 255;
        s[c] = source[c] / 255;
    }
    const float* bp[] = {&b[0], &b[1], &b[2]};
    const float* sp[] = {&s[0], &s[1], &s[2]};
    float* op[] = {&out[0], &out[1], &out[2]};
    BlendColours(mode, 3, bp, sp, op, 1);
    for (float& v : out) v *= 255;
    return out;
}

struct Case {
    EBlendMode mode;
    float backdrop, source, expected;  // expected worked out by hand from the mode's definition
};

TEST(BlendModes, SeparableModesGiveTheValuesWorkedOutByHand)
{
    // Backdrop 0.8 (204) under source 0.4 (102), and backdrop 0.2 (51) under 0.6 (153).
    const Case cases[] = {
        {EBlendMode::kNormal, 204, 102, 102},      {EBlendMode::kDarken, 204, 102, 102},
        {EBlendMode::kMultiply, 204, 102, 81.6f},   {EBlendMode::kMultiply, 51, 153, 30.6f},
        {EBlendMode::kColorBurn, 204, 102, 127.5f}, {EBlendMode::kColorBurn, 51, 153, 0},
        {EBlendMode::kLinearBurn, 204, 102, 51},    {EBlendMode::kLinearBurn, 51, 153, 0},
        {EBlendMode::kLighten, 204, 102, 204},      {EBlendMode::kScreen, 204, 102, 224.4f},
        {EBlendMode::kScreen, 51, 153, 173.4f},     {EBlendMode::kColorDodge, 204, 102, 255},
        {EBlendMode::kColorDodge, 51, 153, 127.5f}, {EBlendMode::kLinearDodge, 204, 102, 255},
        {EBlendMode::kLinearDodge, 51, 153, 204},   {EBlendMode::kOverlay, 204, 102, 193.8f},
        {EBlendMode::kOverlay, 51, 153, 61.2f},     {EBlendMode::kSoftLight, 204, 102, 195.84f},
        {EBlendMode::kSoftLight, 51, 153, 63.648f}, {EBlendMode::kHardLight, 204, 102, 163.2f},
        {EBlendMode::kHardLight, 51, 153, 91.8f},   {EBlendMode::kVividLight, 204, 102, 191.25f},
        {EBlendMode::kVividLight, 51, 153, 63.75f}, {EBlendMode::kLinearLight, 204, 102, 153},
        {EBlendMode::kLinearLight, 51, 153, 102},   {EBlendMode::kPinLight, 204, 102, 204},
        {EBlendMode::kPinLight, 51, 153, 51},       {EBlendMode::kPinLight, 204, 51, 102},
        {EBlendMode::kHardMix, 204, 102, 255},      {EBlendMode::kHardMix, 51, 153, 0},
        {EBlendMode::kDifference, 204, 102, 102},   {EBlendMode::kDifference, 51, 153, 102},
        {EBlendMode::kExclusion, 204, 102, 142.8f}, {EBlendMode::kExclusion, 51, 153, 142.8f},
        {EBlendMode::kSubtract, 204, 102, 102},     {EBlendMode::kSubtract, 51, 153, 0},
        {EBlendMode::kDivide, 204, 102, 255},       {EBlendMode::kDivide, 51, 153, 85},
        {EBlendMode::kDivide, 0, 0, 0},             {EBlendMode::kColorDodge, 0, 255, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Grey(c.mode, c.backdrop, c.source), c.expected, 0.01f)
            << "mode " << static_cast<int>(c.mode) << " on " << c.backdrop << ", " << c.source;
}

void ExpectRgb(std::array<float, 3> got, std::array<float, 3> expected, const char* mode)
{
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c], 0.02f) << mode << " channel " << c;
}

TEST(BlendModes, ModesThatMixChannelsGiveTheValuesWorkedOutByHand)
{
    // Backdrop (0.8, 0.2, 0.2): luminosity 0.38, saturation 0.6. Source (0.2, 0.4, 0.6):
    // luminosity 0.362, saturation 0.4.
    const std::array<float, 3> backdrop = {204, 51, 51};
    const std::array<float, 3> source = {51, 102, 153};
    ExpectRgb(Rgb(EBlendMode::kHue, backdrop, source), {34.935f, 111.435f, 187.935f}, "hue");
    ExpectRgb(Rgb(EBlendMode::kSaturation, backdrop, source), {168.3f, 66.3f, 66.3f}, "saturation");
    ExpectRgb(Rgb(EBlendMode::kColor, backdrop, source), {55.59f, 106.59f, 157.59f}, "colour");
    ExpectRgb(Rgb(EBlendMode::kLuminosity, backdrop, source), {199.41f, 46.41f, 46.41f}, "luminosity");
    // Darker and lighter colour take a whole pixel: (51, 51, 153) sums less than the backdrop.
    ExpectRgb(Rgb(EBlendMode::kDarkerColor, backdrop, {51, 51, 153}), {51, 51, 153}, "darker colour");
    ExpectRgb(Rgb(EBlendMode::kLighterColor, backdrop, {51, 51, 153}), backdrop, "lighter colour");
    // A colour pushed out of range by its new luminosity is pulled back towards its grey:
    // white's luminosity on pure blue gives (1, 1, 1) exactly.
    ExpectRgb(Rgb(EBlendMode::kLuminosity, {0, 0, 255}, {255, 255, 255}), {255, 255, 255}, "clipped luminosity");
}

TEST(BlendModes, KeysNameTheFormatsModes)
{
    bool known = false;
    EXPECT_EQ(BlendModeFromKey(Key("mul "), known), EBlendMode::kMultiply);
    EXPECT_TRUE(known);
    EXPECT_EQ(BlendModeFromKey(Key("idiv"), known), EBlendMode::kColorBurn);
    EXPECT_EQ(BlendModeFromKey(Key("div "), known), EBlendMode::kColorDodge);
    EXPECT_EQ(BlendModeFromKey(Key("smud"), known), EBlendMode::kExclusion);
    EXPECT_EQ(BlendModeFromKey(Key("fdiv"), known), EBlendMode::kDivide);
    EXPECT_EQ(BlendModeFromKey(Key("pass"), known), EBlendMode::kPassThrough);
    EXPECT_EQ(BlendModeFromKey(Key("zzzz"), known), EBlendMode::kNormal);
    EXPECT_FALSE(known);
}

}  // namespace
