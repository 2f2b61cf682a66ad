// Layer effects read from descriptors written here, as the editor writes them.

#include <gtest/gtest.h>

#include "DescriptorWriter.h"
#include "studio/psd/PsdLayerEffects.h"

namespace {

using vantrel::studio::psd::CPsdLayerEffects;
using vantrel::studio::psd::LayerEffectKind;
using vantrel::studio::psd::ReadLayerEffects;
using vantrel::studio::psd::StrokePosition;
using vantrel::testing::CDescriptorBytes;

// The block: the effects version 0, then the versioned descriptor.
std::vector<std::uint8_t> Block(const CDescriptorBytes& root)
{
    std::vector<std::uint8_t> block = {0, 0, 0, 0};
    const auto descriptor = root.Versioned();
    block.insert(block.end(), descriptor.begin(), descriptor.end());
    return block;
}

CDescriptorBytes Effect(bool enabled = true)
{
    CDescriptorBytes fx("null");
    fx.Boolean("enab", enabled).Boolean("present", true).Enumerated("Md  ", "BlnM", "Mltp");
    fx.UnitDouble("Opct", "#Prc", 75);
    return fx;
}

struct Read {
    bool ok = false;
    CPsdLayerEffects effects;
    std::vector<std::string> notDrawn;
};

Read ReadBlock(const CDescriptorBytes& root)
{
    Read read;
    std::string reason;
    const auto block = Block(root);
    read.ok = ReadLayerEffects(block, read.effects, read.notDrawn, reason);
    EXPECT_TRUE(read.ok) << reason;
    return read;
}

TEST(PsdLayerEffects, ShadowSettings)
{
    CDescriptorBytes root("null");
    root.UnitDouble("Scl ", "#Prc", 100).Boolean("masterFXSwitch", true);
    auto shadow = Effect();
    shadow.RgbColour("Clr ", 10, 20, 30).Boolean("uglg", false).UnitDouble("lagl", "#Ang", 45);
    shadow.UnitDouble("Dstn", "#Pxl", 7).UnitDouble("Ckmt", "#Prc", 20).UnitDouble("blur", "#Pxl", 9);
    root.Object("DrSh", shadow);
    const Read read = ReadBlock(root);
    ASSERT_EQ(read.effects.drawn.size(), 1u);
    const auto& fx = read.effects.drawn[0];
    EXPECT_EQ(fx.kind, LayerEffectKind::DropShadow);
    EXPECT_EQ(fx.blendKey, 0x6D756C20u);  // 'mul '
    EXPECT_DOUBLE_EQ(fx.opacity, 0.75);
    EXPECT_EQ(fx.colour[2], 30);
    EXPECT_FALSE(fx.useGlobalLight);
    EXPECT_DOUBLE_EQ(fx.angle, 45);
    EXPECT_DOUBLE_EQ(fx.distance, 7);
    EXPECT_DOUBLE_EQ(fx.spread, 20);
    EXPECT_DOUBLE_EQ(fx.size, 9);
    EXPECT_TRUE(read.notDrawn.empty());
    EXPECT_EQ(read.effects.Reach(), 18);  // distance, size and a margin of two
}

TEST(PsdLayerEffects, ListsStrokesAndWhatIsNotDrawn)
{
    CDescriptorBytes root("null");
    auto outside = Effect();
    outside.Enumerated("Styl", "FStl", "OutF").Enumerated("PntT", "FrFl", "SClr").UnitDouble("Sz  ", "#Pxl", 3);
    outside.RgbColour("Clr ", 0, 255, 0);
    auto inside = Effect();
    inside.Enumerated("Styl", "FStl", "InsF").UnitDouble("Sz  ", "#Pxl", 1);
    CDescriptorBytes grey("Grsc");
    grey.Double("Gry ", 100);  // all black ink
    inside.Object("Clr ", grey);
    root.ObjectList("frameFXMulti", {outside, inside, Effect(false)});
    root.Object("ebbl", Effect());
    root.Object("ChFX", Effect(false));  // disabled: neither drawn nor listed
    root.Object("IrGl", CDescriptorBytes("null").Boolean("enab", true).Boolean("present", false));
    const Read read = ReadBlock(root);
    ASSERT_EQ(read.effects.drawn.size(), 2u);
    // The list's first stroke is the topmost, drawn last.
    EXPECT_EQ(read.effects.drawn[0].position, StrokePosition::Inside);
    EXPECT_EQ(read.effects.drawn[0].colour[0], 0);
    EXPECT_EQ(read.effects.drawn[1].position, StrokePosition::Outside);
    EXPECT_DOUBLE_EQ(read.effects.drawn[1].size, 3);
    EXPECT_EQ(read.notDrawn, std::vector<std::string>{"layer effect: bevel and emboss"});
}

TEST(PsdLayerEffects, TheMasterSwitchTurnsEverythingOff)
{
    CDescriptorBytes root("null");
    root.Boolean("masterFXSwitch", false);
    root.Object("ebbl", Effect());
    root.Object("SoFi", Effect().RgbColour("Clr ", 1, 2, 3));
    const Read read = ReadBlock(root);
    EXPECT_TRUE(read.effects.drawn.empty());
    EXPECT_TRUE(read.notDrawn.empty());
}

TEST(PsdLayerEffects, HostileBlocksAreRefusedOrBounded)
{
    CPsdLayerEffects effects;
    std::vector<std::string> notDrawn;
    std::string reason;
    EXPECT_FALSE(ReadLayerEffects(std::vector<std::uint8_t>{0, 0}, effects, notDrawn, reason));
    EXPECT_FALSE(ReadLayerEffects(std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0, 0, 16}, effects, notDrawn, reason));
    // Sizes past the editor's sliders are held to them.
    CDescriptorBytes root("null");
    root.Object("OrGl", Effect().RgbColour("Clr ", 1, 2, 3).UnitDouble("blur", "#Pxl", 1e30));
    std::vector<CDescriptorBytes> many(70, Effect().RgbColour("Clr ", 1, 2, 3));
    root.ObjectList("solidFillMulti", many);
    const Read read = ReadBlock(root);
    ASSERT_FALSE(read.effects.drawn.empty());
    EXPECT_DOUBLE_EQ(read.effects.drawn[0].size, 250);
    EXPECT_EQ(read.effects.drawn.size(), 64u);
    EXPECT_EQ(read.notDrawn, std::vector<std::string>{"layer effect: more than 64 effects"});
}

}  // namespace
