// Documents drawn from their layers: small documents written here, with the expected pixels
// worked out by hand. Each renders at its own size, where the preview is the picture itself.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>

#include "studio/formats/RenderDocument.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/render/LayersAgainstComposite.h"
#include "PsdWriter.h"
#include "RefusalPrinting.h"

namespace {

using vantrel::studio::formats::RenderDocumentBytes;
using vantrel::testing::FillPlanes;
using vantrel::testing::LayerAndMaskSection;
using vantrel::testing::PsdLayerSpec;
using vantrel::testing::PsdSpec;
using vantrel::testing::SolidRgbLayer;
using vantrel::testing::VersionInfoResources;
using vantrel::testing::WritePsd;
using Rgb = std::array<int, 3>;

constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kRed = {255, 0, 0};

// A white stored image standing in for the layers, as an editor writes without compatibility.
PsdSpec Placeholder(int width, int height, const std::vector<PsdLayerSpec>& layers)
{
    PsdSpec psd{.width = width, .height = height};
    FillPlanes(psd, [](int, int, int) { return 255; });
    psd.imageResources = VersionInfoResources(false);
    psd.layerAndMask = LayerAndMaskSection(layers);
    return psd;
}

struct Rendered {
    std::vector<std::uint8_t> rgb;
    int width = 0;
    bool fromLayers = false;
    std::vector<std::string> skipped;
    Rgb At(int x, int y) const
    {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

Rendered Render(const std::vector<std::uint8_t>& bytes, int width, int height)
{
    std::string reason;
    auto document = RenderDocumentBytes(bytes, width, height, reason);
    EXPECT_NE(document, nullptr) << reason;
    if (!document) return {};
    return {document->previewRgb, width, document->fromLayers, document->skippedLayerFeatures};
}

Rendered Render(const PsdSpec& psd) { return Render(WritePsd(psd), psd.width, psd.height); }

void ExpectNear(Rgb got, Rgb expected, const std::string& where)
{
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c], 1) << where << " channel " << c;
}

// Every test below runs with the layers stored raw, PackBits, ZIP and ZIP with prediction.
class LayerCompression : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
#ifndef VANTREL_HAVE_ZLIB
        if (GetParam() >= 2) GTEST_SKIP() << "this build has no zlib";
#endif
    }

    PsdLayerSpec Layer(int top, int left, int bottom, int right, Rgb colour, int alpha = 255)
    {
        auto layer = SolidRgbLayer(top, left, bottom, right, static_cast<std::uint8_t>(colour[0]),
                                   static_cast<std::uint8_t>(colour[1]), static_cast<std::uint8_t>(colour[2]),
                                   static_cast<std::uint8_t>(alpha));
        layer.compression = GetParam();
        return layer;
    }
};

TEST_P(LayerCompression, LayersStackWithOpacityOverWhite)
{
    auto top = Layer(0, 2, 2, 4, {0, 0, 255});
    top.opacity = 128;  // 0.502: red keeps 255 * 0.498 = 127
    auto hanging = Layer(-1, -2, 1, 1, {0, 255, 0}, 128);  // partly outside the canvas
    const auto result = Render(Placeholder(4, 2, {Layer(0, 0, 2, 4, kRed), top, hanging}));
    EXPECT_TRUE(result.fromLayers);
    ExpectNear(result.At(0, 1), kRed, "red alone");
    ExpectNear(result.At(3, 1), {127, 0, 128}, "blue at half opacity over red");
    ExpectNear(result.At(0, 0), {127, 128, 0}, "green at half coverage over red");
    ExpectNear(result.At(1, 0), kRed, "right of the hanging layer");
}

TEST_P(LayerCompression, FillOpacityAndEmptyLayers)
{
    auto red = Layer(0, 0, 2, 2, kRed);
    red.fillOpacity = 128;
    const auto result = Render(Placeholder(2, 2, {Layer(0, 0, 0, 0, {0, 0, 0}), red}));
    ExpectNear(result.At(1, 1), {255, 127, 127}, "red at half fill over white");
}

TEST_P(LayerCompression, LinearModesTakeFillOpacityInsideTheirBlend)
{
    // The layers of ag-psd's fill-opacity sample; the editor's own composite of them, over
    // white, is (100, 112, 102). Mixing the red layer's fill like opacity gives (100, 131, 122).
    auto blue = Layer(0, 0, 1, 1, {0, 0, 255});
    blue.opacity = 153;
    auto green = Layer(0, 0, 1, 1, {0, 255, 0});
    green.opacity = 102;
    green.blendKey = "lLit";
    auto red = Layer(0, 0, 1, 1, kRed);
    red.fillOpacity = 51;
    red.blendKey = "lLit";
    ExpectNear(Render(Placeholder(1, 1, {blue, green, red})).At(0, 0), {100, 112, 102}, "linear light at 20% fill");

    // Linear dodge of white at half fill over light grey: 0.8 + 0.5 clamps to white, where
    // mixing would stop half way to it (230).
    auto grey = Layer(0, 0, 1, 1, {204, 204, 204});
    auto dodge = Layer(0, 0, 1, 1, kWhite);
    dodge.fillOpacity = 128;
    dodge.blendKey = "lddg";
    ExpectNear(Render(Placeholder(1, 1, {grey, dodge})).At(0, 0), kWhite, "linear dodge at half fill");
    // Opacity still mixes: the same layer at half opacity and full fill.
    dodge.fillOpacity = 255;
    dodge.opacity = 128;
    ExpectNear(Render(Placeholder(1, 1, {grey, dodge})).At(0, 0), {230, 230, 230}, "linear dodge at half opacity");
}

TEST_P(LayerCompression, UserMasksHideWhatTheyCover)
{
    auto masked = Layer(0, 0, 2, 4, kRed);
    masked.hasMask = true;
    masked.maskLeft = 0;
    masked.maskRight = 2;
    masked.maskBottom = 2;
    masked.maskDefaultColor = 0;  // hidden outside the mask's own pixels
    masked.channels.push_back({-2, std::vector<std::uint8_t>{255, 0, 255, 128}});
    ExpectNear(Render(Placeholder(4, 2, {masked})).At(0, 0), kRed, "mask 255");
    ExpectNear(Render(Placeholder(4, 2, {masked})).At(1, 0), kWhite, "mask 0");
    ExpectNear(Render(Placeholder(4, 2, {masked})).At(1, 1), {255, 127, 127}, "mask 128");
    ExpectNear(Render(Placeholder(4, 2, {masked})).At(3, 0), kWhite, "outside the mask: its default colour");
    masked.maskDefaultColor = 255;
    ExpectNear(Render(Placeholder(4, 2, {masked})).At(3, 0), kRed, "outside the mask, default white");
    masked.maskDisabled = true;
    ExpectNear(Render(Placeholder(4, 2, {masked})).At(1, 0), kRed, "a disabled mask hides nothing");
}

TEST_P(LayerCompression, ClippedLayersShowThroughTheirBase)
{
    auto base = Layer(0, 0, 1, 2, {0, 255, 0});
    auto clipped = Layer(0, 0, 1, 4, kRed);
    clipped.clipped = true;
    auto result = Render(Placeholder(4, 1, {base, clipped}));
    ExpectNear(result.At(0, 0), kRed, "inside the base");
    ExpectNear(result.At(3, 0), kWhite, "outside the base");
    base.opacity = 128;  // the base's opacity carries its clipped layers
    ExpectNear(Render(Placeholder(4, 1, {base, clipped})).At(1, 0), {255, 127, 127}, "base at half opacity");
    base.hidden = true;
    ExpectNear(Render(Placeholder(4, 1, {base, clipped})).At(1, 0), kWhite, "a hidden base hides its clipped layers");
}

TEST_P(LayerCompression, GroupsIsolateOrPassThrough)
{
    const Rgb grey = {128, 128, 128};
    auto group = [&](const std::string& mode, int opacity, bool hidden) {
        PsdLayerSpec end;
        end.sectionType = 3;
        auto child = Layer(0, 0, 1, 1, kRed);
        child.blendKey = "mul ";
        PsdLayerSpec folder;
        folder.sectionType = 1;
        folder.sectionBlendKey = mode;
        folder.opacity = opacity;
        folder.hidden = hidden;
        return Render(Placeholder(1, 1, {Layer(0, 0, 1, 1, grey), end, child, folder})).At(0, 0);
    };
    // Passing through, red multiplies the grey below: (128, 0, 0). Isolated, it multiplies
    // nothing inside its group and lands as plain red.
    ExpectNear(group("pass", 255, false), {128, 0, 0}, "pass-through group");
    ExpectNear(group("norm", 255, false), kRed, "isolated group");
    // Half the group's effect: green and blue 128 * 0.498 = 63.75.
    ExpectNear(group("pass", 128, false), {128, 64, 64}, "pass-through group at half opacity");
    ExpectNear(group("norm", 255, true), grey, "hidden group");
}

TEST_P(LayerCompression, BandsFollowTallLayers)
{
    // 300 rows cross several bands; the layer starts and ends inside bands.
    const auto result = Render(Placeholder(3, 300, {Layer(50, 1, 250, 2, kRed)}));
    ExpectNear(result.At(1, 49), kWhite, "above the layer");
    ExpectNear(result.At(1, 50), kRed, "its first row");
    ExpectNear(result.At(1, 249), kRed, "its last row");
    ExpectNear(result.At(1, 250), kWhite, "below the layer");
    ExpectNear(result.At(0, 100), kWhite, "beside the layer");
}

INSTANTIATE_TEST_SUITE_P(EveryCompression, LayerCompression, ::testing::Range(0, 4));

TEST(LayeredDocument, SolidColourFillLayersWithoutPixels)
{
    PsdLayerSpec fill;
    fill.hasSolidColor = true;
    fill.solidColor[2] = 255;
    ExpectNear(Render(Placeholder(2, 2, {fill})).At(1, 1), {0, 0, 255}, "blue fill");
    // A shape's fill without pixels shows through its path; a path of no subpaths shows nothing.
    fill.extraBlocks = vantrel::testing::InfoBlock("vmsk", std::vector<std::uint8_t>(8, 0));
    const auto shape = Render(Placeholder(2, 2, {fill}));
    ExpectNear(shape.At(1, 1), kWhite, "shape fill");
    EXPECT_TRUE(shape.skipped.empty());
}

// A vector mask block: version 3, flags (1 inverted, 4 disabled) and one closed rectangle
// from (left, top) to (right, bottom) in pixels of a width x height canvas.
std::vector<std::uint8_t> RectangleVectorMask(std::uint32_t flags, double left, double top, double right,
                                              double bottom, int width, int height)
{
    std::vector<std::uint8_t> bytes;
    const auto put = [&](std::uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bytes.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
    };
    put(3, 4);
    put(flags, 4);
    put(6, 2);  // the path fill rule record
    put(0, 24);
    put(0, 2);  // a closed subpath of four knots, combined with what is below it
    put(4, 2);
    put(1, 2);
    put(0, 20);
    const double corners[4][2] = {{top, left}, {top, right}, {bottom, right}, {bottom, left}};
    for (const auto& corner : corners) {
        put(1, 2);
        for (int point = 0; point < 3; ++point) {
            put(static_cast<std::uint32_t>(static_cast<std::int32_t>(corner[0] / height * 16777216.0)), 4);
            put(static_cast<std::uint32_t>(static_cast<std::int32_t>(corner[1] / width * 16777216.0)), 4);
        }
    }
    return bytes;
}

TEST(LayeredDocument, ShapeLayersShowTheirFillThroughTheirPath)
{
    PsdLayerSpec shape;
    shape.hasSolidColor = true;
    shape.solidColor[0] = 255;
    shape.extraBlocks = vantrel::testing::InfoBlock("vmsk", RectangleVectorMask(0, 2.5, 1, 6, 5, 8, 6));
    const auto drawn = Render(Placeholder(8, 6, {shape}));
    EXPECT_TRUE(drawn.skipped.empty());
    ExpectNear(drawn.At(3, 2), kRed, "inside");
    ExpectNear(drawn.At(1, 2), kWhite, "left of it");
    ExpectNear(drawn.At(3, 0), kWhite, "above it");
    ExpectNear(drawn.At(2, 2), {255, 128, 128}, "its left edge halves the pixel");

    shape.extraBlocks = vantrel::testing::InfoBlock("vmsk", RectangleVectorMask(1, 2.5, 1, 6, 5, 8, 6));
    const auto inverted = Render(Placeholder(8, 6, {shape}));
    ExpectNear(inverted.At(3, 2), kWhite, "inverted, inside");
    ExpectNear(inverted.At(1, 2), kRed, "inverted, outside");

    shape.extraBlocks = vantrel::testing::InfoBlock("vmsk", RectangleVectorMask(4, 2.5, 1, 6, 5, 8, 6));
    ExpectNear(Render(Placeholder(8, 6, {shape})).At(0, 0), kRed, "a disabled path does not shape the fill");

    // A blue stroke two pixels wide about the path's edges, over the fill, and alone when the
    // fill is turned off; a stroke of anything but a colour is listed as not drawn.
    const auto withStroke = [&](bool fill, bool colour) {
        std::string bytes = std::string("strokeEnabledbool\x01" "fillEnabledbool") + (fill ? '\x01' : '\x00');
        bytes += std::string("strokeStyleLineWidthUntF#Pxl\x40\x00", 30) + std::string(6, '\0');
        bytes += "strokeStyleLineAlignmentenumstrokeStyleAlignCenter";
        bytes += std::string("strokeStyleContentObjc") + (colour ? "solidColorLayer" : "patternLayer");
        bytes += std::string("Rd  doub") + std::string(8, '\0') + "Grn doub" + std::string(8, '\0');
        bytes += std::string("Bl  doub\x40\x6f\xe0", 11) + std::string(5, '\0');  // 255
        PsdLayerSpec stroked = shape;
        stroked.extraBlocks = vantrel::testing::InfoBlock("vmsk", RectangleVectorMask(0, 2, 1, 6, 5, 8, 6));
        const auto block = vantrel::testing::InfoBlock("vstk", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        stroked.extraBlocks.insert(stroked.extraBlocks.end(), block.begin(), block.end());
        return Render(Placeholder(8, 6, {stroked}));
    };
    const Rgb blue = {0, 0, 255};
    const auto stroked = withStroke(true, true);
    EXPECT_TRUE(stroked.skipped.empty());
    ExpectNear(stroked.At(1, 3), blue, "outside the edge, within the stroke");
    ExpectNear(stroked.At(2, 3), blue, "inside the edge, within the stroke");
    ExpectNear(stroked.At(3, 3), kRed, "the fill");
    ExpectNear(stroked.At(0, 3), kWhite, "beyond the stroke");
    const auto strokeAlone = withStroke(false, true);
    ExpectNear(strokeAlone.At(1, 3), blue, "the stroke without its fill");
    ExpectNear(strokeAlone.At(3, 3), kWhite, "a fill turned off");
    EXPECT_EQ(withStroke(true, false).skipped,
              std::vector<std::string>{"layer 0 \"layer\": vector stroke other than a solid colour"});
}

// Two captures of the fixtures corpus, 200 x 160: their mean difference per sample.
double MeanDifference(const std::string& first, const std::string& second)
{
    std::string reason;
    auto a = vantrel::studio::formats::RenderDocument(first, 200, 160, reason);
    auto b = vantrel::studio::formats::RenderDocument(second, 200, 160, reason);
    if (!a || !b || a->previewRgb.size() != b->previewRgb.size()) return 255.0;
    double sum = 0;
    for (std::size_t i = 0; i < a->previewRgb.size(); ++i) sum += std::abs(a->previewRgb[i] - b->previewRgb[i]);
    return sum / static_cast<double>(a->previewRgb.size());
}

TEST(LayeredDocument, VectorMasksDrawnAsTheEditorsOwnCompositeOfTheSameLayers)
{
    // The same document saved with and without its composite: layers with a vector mask,
    // with a user mask too, and with either or both disabled. Without the vector masks the
    // layers differ from the editor's composite by 4 levels on average.
    const std::string folder = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd/oov-psd/testdata/";
    if (!std::filesystem::exists(folder + "psd_compat.psd")) GTEST_SKIP() << "no fixtures at " << folder;
    for (const char* kind : {"psd", "psb"}) {
        EXPECT_LT(MeanDifference(folder + kind + "_compat." + kind, folder + kind + "_nocompat." + kind), 0.5) << kind;
    }
    // A shape layer saved without pixels against the editor's composite of the same shape, a
    // polygon with a one-pixel stroke inside it: 5.3 levels apart on average at the edges'
    // anti-aliasing; 13.6 without the stroke, 48 without the shape.
    const std::string shapes = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd/psd-tools/tests/psd_files/";
    EXPECT_LT(MeanDifference(shapes + "layers/shape-layer.psd", shapes + "layers-minimal/shape-layer.psd"), 7.0);
    // Shapes of every kind beside a gradient fill the editor saved with its bottom above its top.
    const auto kinds = vantrel::testing::LayersAgainstComposite(shapes + "vector-mask2.psd");
    ASSERT_TRUE(kinds.has_value());
    EXPECT_LT(kinds->mean, 1.0);
}

// A 32-bit layer of one colour and coverage: its samples as big-endian floats.
PsdLayerSpec LinearLayer(int width, float value, float alpha)
{
    const auto floats = [width](float v) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        std::vector<std::uint8_t> bytes;
        for (int x = 0; x < width; ++x)
            for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
        return bytes;
    };
    PsdLayerSpec layer;
    layer.bottom = 1;
    layer.right = width;
    layer.channels = {{-1, floats(alpha)}, {0, floats(value)}, {1, floats(value)}, {2, floats(value)}};
    return layer;
}

TEST(LayeredDocument, ThirtyTwoBitLayersBlendInLinearLightAndTheirFillColoursAreLinear)
{
    // Black at a quarter coverage over white leaves 0.75 of the light: level 225 through the
    // sRGB curve (191 if blended as displayed). A fill of 127 is linear 0.498: level 187.
    PsdSpec psd = Placeholder(2, 1, {LinearLayer(2, 1.0f, 1.0f), LinearLayer(2, 0.0f, 0.25f)});
    psd.depth = 32;
    psd.planes.clear();
    ExpectNear(Render(psd).At(1, 0), {225, 225, 225}, "black over white at a quarter");
    PsdLayerSpec fill;
    fill.hasSolidColor = true;
    fill.solidColor[0] = fill.solidColor[1] = fill.solidColor[2] = 127;
    psd.layerAndMask = LayerAndMaskSection({fill});
    ExpectNear(Render(psd).At(0, 0), {187, 187, 187}, "a fill's colour");
}

TEST(LayeredDocument, ThirtyTwoBitLayersAreCompositedInLinearLightAsTheEditorDidIt)
{
    // Against the composites the editor stored: solid-colour shapes whose edges blend over
    // pixels (20.6 levels off when blended as displayed, with the fill colour taken as shown),
    // and opaque pixel layers (22.9 off when their samples were not shown through the curve).
    const std::string folder = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd/psd-tools/tests/psd_files/";
    if (!std::filesystem::exists(folder + "vector-mask.psd")) GTEST_SKIP() << "no fixtures at " << folder;
#ifndef VANTREL_HAVE_ZLIB
    GTEST_SKIP() << "their layers are ZIP-compressed and this build has no zlib";
#endif
    const auto shapes = vantrel::testing::LayersAgainstComposite(folder + "vector-mask.psd");
    ASSERT_TRUE(shapes.has_value());
    EXPECT_LT(shapes->mean, 0.2);
    const auto pixels = vantrel::testing::LayersAgainstComposite(folder + "32bit5x5.psd");
    ASSERT_TRUE(pixels.has_value());
    EXPECT_EQ(pixels->largest, 0);
}

TEST(LayeredDocument, VectorMasksMultiplyWithUserMasksAndTakeTheirDensity)
{
    // Red pixels whose user mask shows the left half and whose path shows the top half.
    auto layer = SolidRgbLayer(0, 0, 4, 4, 255, 0, 0);
    layer.hasMask = true;
    layer.maskRight = 4;
    layer.maskBottom = 4;
    std::vector<std::uint8_t> leftHalf(16, 0);
    for (int y = 0; y < 4; ++y) leftHalf[static_cast<std::size_t>(y) * 4] = leftHalf[static_cast<std::size_t>(y) * 4 + 1] = 255;
    layer.channels.push_back({-2, leftHalf});
    layer.extraBlocks = vantrel::testing::InfoBlock("vmsk", RectangleVectorMask(0, 0, 0, 4, 2, 4, 4));
    auto drawn = Render(Placeholder(4, 4, {layer}));
    ExpectNear(drawn.At(0, 0), kRed, "shown by both");
    ExpectNear(drawn.At(3, 0), kWhite, "hidden by the user mask");
    ExpectNear(drawn.At(0, 3), kWhite, "hidden by the path");

    // Vector mask density 153 (60 %): below the path the layer shows at 40 %.
    layer.maskParameters = {0x04, 153};
    drawn = Render(Placeholder(4, 4, {layer}));
    ExpectNear(drawn.At(0, 3), {255, 153, 153}, "under the path's density");
    ExpectNear(drawn.At(3, 3), kWhite, "the user mask at full density");
}

TEST(LayeredDocument, TheStoredImageIsKeptWhenItIsReal)
{
    auto left = SolidRgbLayer(0, 0, 1, 1, 255, 0, 0);
    auto psd = Placeholder(2, 1, {left});
    psd.imageResources = VersionInfoResources(true);
    auto result = Render(psd);
    EXPECT_FALSE(result.fromLayers);
    ExpectNear(result.At(0, 0), kWhite, "the real merged image");

    // Without the resource, a single-colour stored image under layers that draw something
    // else stands in for them; one that shows what the layers show, or detail of its own,
    // is real.
    psd.imageResources.clear();
    ExpectNear(Render(psd).At(0, 0), kRed, "uniform stored image, varied layers");
    psd.layerAndMask = LayerAndMaskSection({SolidRgbLayer(0, 0, 1, 2, 255, 0, 0)});
    ExpectNear(Render(psd).At(1, 0), kRed, "uniform stored image, layers of another colour");
    psd.layerAndMask = LayerAndMaskSection({SolidRgbLayer(0, 0, 1, 2, 255, 255, 255)});
    EXPECT_FALSE(Render(psd).fromLayers) << "layers that draw the stored image leave it alone";
    auto adjusted = SolidRgbLayer(0, 0, 1, 2, 255, 0, 0);
    adjusted.extraBlocks = vantrel::testing::InfoBlock("levl", {0, 2});
    psd.layerAndMask = LayerAndMaskSection({adjusted});
    EXPECT_FALSE(Render(psd).fromLayers) << "a drawing that leaves something out is not believed over one colour";
    psd.layerAndMask = LayerAndMaskSection({left});
    FillPlanes(psd, [](int, int x, int) { return x == 0 ? 10 : 255; });
    ExpectNear(Render(psd).At(0, 0), {10, 10, 10}, "a stored image with detail");
}

TEST(LayeredDocument, AMissingOrCutStoredImageIsDrawnFromCompleteLayers)
{
    auto psd = Placeholder(2, 1, {SolidRgbLayer(0, 0, 1, 2, 255, 0, 0)});
    psd.imageResources = VersionInfoResources(true);
    auto bytes = WritePsd(psd);
    bytes.resize(bytes.size() - 3);  // the stored image is cut short
    auto result = Render(bytes, 2, 1);
    EXPECT_TRUE(result.fromLayers);
    ExpectNear(result.At(1, 0), kRed, "cut stored image");
    bytes.resize(bytes.size() - 4);  // and now without even its compression word
    ExpectNear(Render(bytes, 2, 1).At(1, 0), kRed, "missing stored image");
}

TEST(LayeredDocument, WhatIsNotDrawnIsListed)
{
    auto adjustment = SolidRgbLayer(0, 0, 0, 0, 0, 0, 0);
    adjustment.extraBlocks = vantrel::testing::InfoBlock("curv", {0, 1, 0, 0});
    adjustment.name = "Curves 1";
    const auto result = Render(Placeholder(1, 1, {SolidRgbLayer(0, 0, 1, 1, 255, 0, 0), adjustment}));
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0], "layer 1 \"Curves 1\": adjustment layer (curv)");
}

using vantrel::studio::psd::CPsdRefusal;
using vantrel::studio::psd::PsdError;

CPsdRefusal Refusal(const std::vector<std::uint8_t>& layerSection)
{
    PsdSpec psd;
    psd.layerAndMask = layerSection;
    const auto bytes = WritePsd(psd);
    vantrel::studio::io::CDocumentFile document(std::span{bytes});
    vantrel::studio::psd::CPsdLayout layout;
    CPsdRefusal refusal;
    EXPECT_TRUE(vantrel::studio::psd::ReadPsdLayout(document, layout, refusal)) << refusal.Text();
    vantrel::studio::psd::CPsdLayers layers;
    if (vantrel::studio::psd::ReadPsdLayerRecords(document, layout, layers, refusal)) return {};
    EXPECT_TRUE(refusal.Refused());
    return refusal;
}

TEST(LayeredDocument, AMissingCompositeAndUnreadableLayersGiveBothReasons)
{
    PsdSpec psd;
    psd.layerAndMask = LayerAndMaskSection({SolidRgbLayer(0, 0, 1, 1, 1, 2, 3)});
    psd.layerAndMask[4] = 0x7F;  // 32,513 layers in a few bytes
    auto bytes = WritePsd(psd);
    bytes.resize(26 + 4 + 4 + 4 + psd.layerAndMask.size());  // up to the composite's compression word
    std::string reason;
    EXPECT_EQ(RenderDocumentBytes(bytes, 1, 1, reason), nullptr);
    EXPECT_EQ(reason, "truncated image data, and layer count 32513 does not fit its section");
}

TEST(LayeredDocument, RecordsThatClaimTooMuchAreRefusedBeforeAllocation)
{
    auto section = LayerAndMaskSection({SolidRgbLayer(0, 0, 1, 1, 1, 2, 3)});
    EXPECT_EQ(Refusal(section), CPsdRefusal{});
    auto patched = section;
    patched[4] = 0x7F;  // 32,513 layers in a few bytes
    EXPECT_EQ(Refusal(patched), CPsdRefusal::Of(PsdError::LayerCountTooLarge, 32513));
    patched = section;
    patched[4 + 2 + 16 + 2 + 2] = 0x40;  // the first channel claims a gigabyte
    EXPECT_EQ(Refusal(patched), CPsdRefusal::Of(PsdError::LayerDataPastInfo));
    const CPsdRefusal wide = Refusal(LayerAndMaskSection({SolidRgbLayer(0, 0, 1, 400000, 1, 2, 3)}));
    EXPECT_EQ(wide.kind, PsdError::LayerBounds) << wide.Text();
    EXPECT_EQ(wide.details.at(0), "0");
    EXPECT_EQ(wide.details.at(1), "400000");
    PsdLayerSpec masked = SolidRgbLayer(0, 0, 1, 1, 1, 2, 3);
    masked.hasMask = true;
    masked.maskRight = 400000;  // a mask row wider than any layer may be
    masked.maskBottom = 1;
    const CPsdRefusal wideMask = Refusal(LayerAndMaskSection({masked}));
    EXPECT_EQ(wideMask.kind, PsdError::MaskBounds) << wideMask.Text();
    EXPECT_EQ(wideMask.details.at(0), "0");
    EXPECT_EQ(wideMask.details.at(1), "400000");
}

}  // namespace
