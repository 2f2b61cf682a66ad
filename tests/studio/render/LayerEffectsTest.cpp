// Layer effects drawn from the layers: small documents written here with values worked out by
// hand, and documents of the corpus whose stored composite is the editor's own drawing.

#include <gtest/gtest.h>

#include "LayersAgainstComposite.h"

#include <array>
#include <cmath>
#include <filesystem>

#include "DescriptorWriter.h"
#include "PsdWriter.h"
#include "RenderBytes.h"
#include "studio/io/DocumentFile.h"
#include "studio/psd/PsdChannelRows.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/psd/PsdLayout.h"
#include "studio/render/LayerCompositor.h"

namespace {

using vantrel::testing::CDescriptorBytes;
using vantrel::testing::PsdLayerSpec;
using vantrel::testing::PsdSpec;
using Rgb = std::array<int, 3>;

CDescriptorBytes Effect(const char* mode = "Nrml", double opacity = 100)
{
    CDescriptorBytes fx("null");
    fx.Boolean("enab", true).Enumerated("Md  ", "BlnM", mode).UnitDouble("Opct", "#Prc", opacity);
    return fx;
}

// A layer's effects block ('lfx2'): version 0, then the descriptor.
std::vector<std::uint8_t> EffectsBlock(const CDescriptorBytes& root)
{
    std::vector<std::uint8_t> data = {0, 0, 0, 0};
    const auto descriptor = root.Versioned();
    data.insert(data.end(), descriptor.begin(), descriptor.end());
    return vantrel::testing::InfoBlock("lfx2", data);
}

struct Drawn {
    std::vector<std::uint8_t> rgb;
    int width = 0;
    std::vector<std::string> notDrawn;
    Rgb At(int x, int y) const
    {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

// The layers over a white placeholder, drawn at the document's own size.
Drawn Draw(int width, int height, const std::vector<PsdLayerSpec>& layers, std::vector<std::uint8_t> resources = {})
{
    PsdSpec psd{.width = width, .height = height};
    vantrel::testing::FillPlanes(psd, [](int, int, int) { return 255; });
    psd.imageResources = vantrel::testing::VersionInfoResources(false);
    psd.imageResources.insert(psd.imageResources.end(), resources.begin(), resources.end());
    psd.layerAndMask = vantrel::testing::LayerAndMaskSection(layers);
    std::string reason;
    auto document = vantrel::testing::RenderBytes(vantrel::testing::WritePsd(psd), width, height, reason);
    EXPECT_NE(document, nullptr) << reason;
    if (!document) return {};
    EXPECT_TRUE(document->fromLayers);
    return {document->previewRgb, width, document->skippedLayerFeatures};
}

PsdLayerSpec Square(int top, int left, int side, Rgb colour, const CDescriptorBytes& effects)
{
    auto layer =
        vantrel::testing::SolidRgbLayer(top, left, top + side, left + side, static_cast<std::uint8_t>(colour[0]),
                                        static_cast<std::uint8_t>(colour[1]), static_cast<std::uint8_t>(colour[2]));
    layer.extraBlocks = EffectsBlock(effects);
    return layer;
}

void ExpectNear(Rgb got, Rgb expected, const std::string& where, int tolerance = 1)
{
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c], tolerance) << where << " channel " << c;
}

TEST(LayerEffects, ColourOverlayAtHalfOpacity)
{
    CDescriptorBytes root("null");
    root.Object("SoFi", Effect("Nrml", 50).RgbColour("Clr ", 0, 0, 255));
    auto layer = Square(0, 0, 2, {255, 0, 0}, root);
    // Blue at half over red: (127.5, 0, 127.5).
    ExpectNear(Draw(3, 2, {layer}).At(0, 0), {128, 0, 128}, "overlay at 50%");
    ExpectNear(Draw(3, 2, {layer}).At(2, 0), {255, 255, 255}, "outside the layer");
    // Fill opacity fades the layer's own pixels, not its overlay: blue at half over white.
    layer.fillOpacity = 0;
    ExpectNear(Draw(3, 2, {layer}).At(1, 1), {128, 128, 255}, "overlay at 50% over a layer of no fill");
    // The layer's opacity fades the whole: red under blue at half, at half over white.
    layer.fillOpacity = -1;
    layer.opacity = 128;
    ExpectNear(Draw(3, 2, {layer}).At(0, 1), {191, 127, 191}, "overlay in a layer at 50%");
}

TEST(LayerEffects, DropShadowFallsAwayFromTheLight)
{
    // Light from 120 degrees (up and to the left) at distance 5: the shadow moves by
    // (-cos 120, sin 120) * 5 = (2.5, 4.3) pixels, to the right and down.
    CDescriptorBytes root("null");
    root.Object("DrSh", Effect("Nrml", 100)
                            .RgbColour("Clr ", 0, 0, 0)
                            .Boolean("uglg", false)
                            .UnitDouble("lagl", "#Ang", 120)
                            .UnitDouble("Dstn", "#Pxl", 5)
                            .UnitDouble("blur", "#Pxl", 0));
    const auto drawn = Draw(20, 20, {Square(4, 4, 6, {255, 0, 0}, root)});
    ExpectNear(drawn.At(11, 13), {0, 0, 0}, "below and right of the layer");
    ExpectNear(drawn.At(7, 7), {255, 0, 0}, "the layer over its shadow");
    ExpectNear(drawn.At(11, 4), {255, 255, 255}, "right, above the shadow's top");
    ExpectNear(drawn.At(2, 8), {255, 255, 255}, "left of the layer");
    EXPECT_TRUE(drawn.notDrawn.empty());

    // The same with the document's global light (resource 0x040D) at 90 degrees: straight down.
    CDescriptorBytes global("null");
    global.Object("DrSh",
                  Effect("Nrml", 100).RgbColour("Clr ", 0, 0, 0).Boolean("uglg", true).UnitDouble("Dstn", "#Pxl", 5));
    const auto below =
        Draw(20, 20, {Square(4, 4, 6, {255, 0, 0}, global)}, vantrel::testing::ImageResource(0x040D, {0, 0, 0, 90}));
    ExpectNear(below.At(5, 13), {0, 0, 0}, "straight below");
    ExpectNear(below.At(11, 13), {255, 255, 255}, "not to the right");
}

TEST(LayerEffects, InnerShadowFallsInsideFromTheLitEdge)
{
    // Light from straight above at distance 2: what lies outside the layer is cast 2 pixels
    // down into it, so its top two rows are in shadow and its bottom rows are not.
    CDescriptorBytes root("null");
    root.Object("IrSh", Effect("Nrml", 100)
                            .RgbColour("Clr ", 0, 0, 0)
                            .Boolean("uglg", false)
                            .UnitDouble("lagl", "#Ang", 90)
                            .UnitDouble("Dstn", "#Pxl", 2)
                            .UnitDouble("blur", "#Pxl", 0));
    const auto drawn = Draw(12, 12, {Square(2, 2, 8, {255, 0, 0}, root)});
    ExpectNear(drawn.At(5, 2), {0, 0, 0}, "the top row");
    ExpectNear(drawn.At(5, 3), {0, 0, 0}, "the second row");
    ExpectNear(drawn.At(5, 4), {255, 0, 0}, "the third row");
    ExpectNear(drawn.At(5, 9), {255, 0, 0}, "the bottom row");
    ExpectNear(drawn.At(2, 6), {255, 0, 0}, "the left column, lit from above");
    ExpectNear(drawn.At(5, 1), {255, 255, 255}, "nothing outside the layer");
}

TEST(LayerEffects, SoftShadowsAndGlowsFadeOutward)
{
    // A glow of size 8 around a large square: a Gaussian of sigma 4 across the edge, 45% at the
    // first pixel out (half a pixel past the edge: 255 * 0.55 = 140), nothing 8 pixels out.
    CDescriptorBytes root("null");
    root.Object("OrGl", Effect("Nrml", 100).RgbColour("Clr ", 0, 0, 0).UnitDouble("blur", "#Pxl", 8));
    const auto drawn = Draw(60, 60, {Square(10, 10, 40, {255, 255, 255}, root)});
    const int atEdge = drawn.At(9, 30)[0], nearer = drawn.At(6, 30)[0], far = drawn.At(1, 30)[0];
    EXPECT_NEAR(atEdge, 140, 8) << "about half at the edge";
    EXPECT_LT(atEdge, nearer);
    EXPECT_LT(nearer, far);
    EXPECT_GT(far, 250);
}

TEST(LayerEffects, StrokeOutsideASquare)
{
    CDescriptorBytes root("null");
    root.Object("FrFX", Effect()
                            .Enumerated("Styl", "FStl", "OutF")
                            .Enumerated("PntT", "FrFl", "SClr")
                            .UnitDouble("Sz  ", "#Pxl", 2)
                            .RgbColour("Clr ", 0, 0, 255));
    const auto drawn = Draw(16, 16, {Square(4, 4, 4, {255, 0, 0}, root)});
    ExpectNear(drawn.At(3, 5), {0, 0, 255}, "one pixel out");
    ExpectNear(drawn.At(2, 5), {0, 0, 255}, "two pixels out");
    ExpectNear(drawn.At(1, 5), {255, 255, 255}, "three pixels out");
    ExpectNear(drawn.At(4, 5), {255, 0, 0}, "the layer's edge is its own");
    ExpectNear(drawn.At(3, 3), {0, 0, 255}, "a diagonal pixel 1.4 away");
    // The corner is round: (2, 2) lies 2.8 from the square's corner pixel, 0.2 inside the band.
    ExpectNear(drawn.At(2, 2), {204, 204, 255}, "the rounded corner", 12);

    CDescriptorBytes inside("null");
    inside.Object(
        "FrFX", Effect().Enumerated("Styl", "FStl", "InsF").UnitDouble("Sz  ", "#Pxl", 1).RgbColour("Clr ", 0, 0, 255));
    const auto within = Draw(16, 16, {Square(4, 4, 4, {255, 0, 0}, inside)});
    ExpectNear(within.At(4, 5), {0, 0, 255}, "the inside stroke covers the edge");
    ExpectNear(within.At(5, 5), {255, 0, 0}, "and not further in");
    ExpectNear(within.At(3, 5), {255, 255, 255}, "nor outside");
}

TEST(LayerEffects, ListedWhenNotDrawnAndSilentWhenOff)
{
    CDescriptorBytes root("null");
    root.Object("ebbl", Effect());
    root.Object("SoFi", CDescriptorBytes("null").Boolean("enab", false).RgbColour("Clr ", 0, 0, 255));
    const auto drawn = Draw(2, 2, {Square(0, 0, 2, {255, 0, 0}, root)});
    EXPECT_EQ(drawn.notDrawn, std::vector<std::string>{"layer 0 \"layer\": layer effect: bevel and emboss"});
    ExpectNear(drawn.At(0, 0), {255, 0, 0}, "a disabled overlay draws nothing");
}

// The corpus: documents whose stored composite is the editor's, drawn here from their layers
// instead and compared pixel by pixel over white. Returns the mean difference per sample.
double LayersAgainstComposite(const std::string& path, bool withEffects = true)
{
    const auto difference = vantrel::testing::LayersAgainstComposite(path, [&](vantrel::studio::psd::CPsdLayers& layers) {
        if (!withEffects)
            for (auto& record : layers.records) record.effects.drawn.clear();
    });
    return difference ? difference->mean : 1e9;
}

class CorpusEffects : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd/psd-tools/tests/psd_files/";
        if (!std::filesystem::exists(folder_ + "effects/stroke-effects.psd"))
            GTEST_SKIP() << "no fixtures at " << folder_;
    }
    std::string folder_;
};

TEST_F(CorpusEffects, StrokesMatchTheEditorsComposite)
{
    // A stroke of 4 pixels round a shape of no fill that runs off the canvas, and two strokes in
    // a list of which one is on: drawn exactly as the editor did (the layers alone are 40 and 25
    // levels off).
    EXPECT_LT(LayersAgainstComposite(folder_ + "effects/stroke-effect-transparent-shape.psd"), 0.5);
    EXPECT_LT(LayersAgainstComposite(folder_ + "effects/double-stroke-effects.psd"), 0.5);
    // Outside, inside and centred strokes on shapes and raster layers; the shapes' own pixels
    // differ from what the editor drew (they are gradient fills), the strokes take 10 levels off.
    EXPECT_LT(LayersAgainstComposite(folder_ + "effects/stroke-effects.psd"),
              LayersAgainstComposite(folder_ + "effects/stroke-effects.psd", false) - 8);
}

TEST_F(CorpusEffects, OverlaysAndTheMasterSwitch)
{
    // Colour overlays and strokes on clipped layers, gradient overlays at 50% and strokes on
    // clipping bases, whose effects lie under and over their clipped layers (21 levels off
    // without effects).
    EXPECT_LT(LayersAgainstComposite(folder_ + "effects/stroke-composite.psd"), 2.5);
    // A linear gradient overlay at -45 degrees under a stroke of a layer of no fill (64 off).
    EXPECT_LT(LayersAgainstComposite(folder_ + "effects/shape-fx2.psd"), 3.5);
    // A yellow overlay under a master switch that is off draws nothing.
    EXPECT_LT(LayersAgainstComposite(folder_ + "effects/shape-fx.psd"), 0.5);
}

}  // namespace
