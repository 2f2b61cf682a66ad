#include "studio/render/BlendModes.h"

#include "studio/psd/FourCharKey.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using vantrel::studio::render::BlendColours;
using vantrel::studio::render::BlendModeFromKey;
using vantrel::studio::render::BlendMode;

constexpr auto Key = vantrel::studio::psd::FourCharKey;

// B(backdrop, source) for one grey pixel, on the 0..255 scale.
float Grey(BlendMode mode, float backdrop, float source)
{
    float b = backdrop / 255, s = source / 255, out = 0;
    const float* bp[] = {&b};
    const float* sp[] = {&s};
    float* op[] = {&out};
    BlendColours(mode, 1, bp, sp, op, 1);
    return out * 255;
}

std::array<float, 3> Rgb(BlendMode mode, std::array<float, 3> backdrop, std::array<float, 3> source)
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
    BlendMode mode;
    float backdrop, source, expected;  // expected worked out by hand from the mode's definition
};

TEST(BlendModes, SeparableModesGiveTheValuesWorkedOutByHand)
{
    // Backdrop 0.8 (204) under source 0.4 (102), and backdrop 0.2 (51) under 0.6 (153).
    const Case cases[] = {
        {BlendMode::Normal, 204, 102, 102},      {BlendMode::Darken, 204, 102, 102},
        {BlendMode::Multiply, 204, 102, 81.6f},   {BlendMode::Multiply, 51, 153, 30.6f},
        {BlendMode::ColorBurn, 204, 102, 127.5f}, {BlendMode::ColorBurn, 51, 153, 0},
        {BlendMode::LinearBurn, 204, 102, 51},    {BlendMode::LinearBurn, 51, 153, 0},
        {BlendMode::Lighten, 204, 102, 204},      {BlendMode::Screen, 204, 102, 224.4f},
        {BlendMode::Screen, 51, 153, 173.4f},     {BlendMode::ColorDodge, 204, 102, 255},
        {BlendMode::ColorDodge, 51, 153, 127.5f}, {BlendMode::LinearDodge, 204, 102, 255},
        {BlendMode::LinearDodge, 51, 153, 204},   {BlendMode::Overlay, 204, 102, 193.8f},
        {BlendMode::Overlay, 51, 153, 61.2f},     {BlendMode::SoftLight, 204, 102, 195.84f},
        {BlendMode::SoftLight, 51, 153, 63.648f}, {BlendMode::HardLight, 204, 102, 163.2f},
        {BlendMode::HardLight, 51, 153, 91.8f},   {BlendMode::VividLight, 204, 102, 191.25f},
        {BlendMode::VividLight, 51, 153, 63.75f}, {BlendMode::LinearLight, 204, 102, 153},
        {BlendMode::LinearLight, 51, 153, 102},   {BlendMode::PinLight, 204, 102, 204},
        {BlendMode::PinLight, 51, 153, 51},       {BlendMode::PinLight, 204, 51, 102},
        {BlendMode::HardMix, 204, 102, 255},      {BlendMode::HardMix, 51, 153, 0},
        {BlendMode::Difference, 204, 102, 102},   {BlendMode::Difference, 51, 153, 102},
        {BlendMode::Exclusion, 204, 102, 142.8f}, {BlendMode::Exclusion, 51, 153, 142.8f},
        {BlendMode::Subtract, 204, 102, 102},     {BlendMode::Subtract, 51, 153, 0},
        {BlendMode::Divide, 204, 102, 255},       {BlendMode::Divide, 51, 153, 85},
        {BlendMode::Divide, 0, 0, 0},             {BlendMode::ColorDodge, 0, 255, 0},
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
    ExpectRgb(Rgb(BlendMode::Hue, backdrop, source), {34.935f, 111.435f, 187.935f}, "hue");
    ExpectRgb(Rgb(BlendMode::Saturation, backdrop, source), {168.3f, 66.3f, 66.3f}, "saturation");
    ExpectRgb(Rgb(BlendMode::Color, backdrop, source), {55.59f, 106.59f, 157.59f}, "colour");
    ExpectRgb(Rgb(BlendMode::Luminosity, backdrop, source), {199.41f, 46.41f, 46.41f}, "luminosity");
    // Darker and lighter colour take a whole pixel: (51, 51, 153) sums less than the backdrop.
    ExpectRgb(Rgb(BlendMode::DarkerColor, backdrop, {51, 51, 153}), {51, 51, 153}, "darker colour");
    ExpectRgb(Rgb(BlendMode::LighterColor, backdrop, {51, 51, 153}), backdrop, "lighter colour");
    // Equal sums keep the backdrop, in either mode.
    ExpectRgb(Rgb(BlendMode::DarkerColor, backdrop, {51, 204, 51}), backdrop, "darker colour tie");
    ExpectRgb(Rgb(BlendMode::LighterColor, backdrop, {51, 204, 51}), backdrop, "lighter colour tie");
    // A grey document has no colour to mix: colour keeps the backdrop, luminosity takes the source.
    EXPECT_NEAR(Grey(BlendMode::Color, 204, 102), 204, 0.01f);
    EXPECT_NEAR(Grey(BlendMode::Luminosity, 204, 102), 102, 0.01f);
    // A colour pushed out of range by its new luminosity is pulled back towards its grey:
    // white's luminosity on pure blue gives (1, 1, 1) exactly.
    ExpectRgb(Rgb(BlendMode::Luminosity, {0, 0, 255}, {255, 255, 255}), {255, 255, 255}, "clipped luminosity");
}

TEST(BlendModes, KeysNameTheFormatsModes)
{
    bool known = false;
    EXPECT_EQ(BlendModeFromKey(Key("mul "), known), BlendMode::Multiply);
    EXPECT_TRUE(known);
    EXPECT_EQ(BlendModeFromKey(Key("idiv"), known), BlendMode::ColorBurn);
    EXPECT_EQ(BlendModeFromKey(Key("div "), known), BlendMode::ColorDodge);
    EXPECT_EQ(BlendModeFromKey(Key("smud"), known), BlendMode::Exclusion);
    EXPECT_EQ(BlendModeFromKey(Key("fdiv"), known), BlendMode::Divide);
    EXPECT_EQ(BlendModeFromKey(Key("pass"), known), BlendMode::PassThrough);
    EXPECT_EQ(BlendModeFromKey(Key("zzzz"), known), BlendMode::Normal);
    EXPECT_FALSE(known);
}

}  // namespace
