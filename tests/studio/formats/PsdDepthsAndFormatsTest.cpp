// The studio's PSD reader past 8-bit PSD: 16- and 32-bit samples, PSB, ZIP, transparency,
// the other colour modes and embedded profiles, each through RenderDocumentBytes at the document's
// own size, where area averaging is the identity.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "studio/formats/RenderDocument.h"
#include "PsdWriter.h"

#include "TestProfiles.h"

namespace {

using vantrel::studio::formats::RenderDocumentBytes;
using vantrel::testing::FillPlanes;
using vantrel::testing::FillPlanes16;
using vantrel::testing::ImageResource;
using vantrel::testing::LayerCountSection;
using vantrel::testing::PsdSpec;
using vantrel::testing::WritePsd;

using Pixels = std::vector<std::uint8_t>;

std::string Render(const PsdSpec& psd, Pixels& rgb, int previewWidth = 0, int previewHeight = 0)
{
    const auto bytes = WritePsd(psd);
    std::string reason;
    auto document = RenderDocumentBytes(bytes, previewWidth ? previewWidth : psd.width,
                                        previewHeight ? previewHeight : psd.height, reason);
    rgb = document ? document->previewRgb : Pixels{};
    return document ? "" : reason;
}

// Every storage a composite may have: PSD or PSB; raw, PackBits, ZIP or ZIP with prediction.
struct CStorage {
    int version;
    int compression;
};

class EveryStorage : public ::testing::TestWithParam<CStorage> {
protected:
    void SetUp() override
    {
#ifndef VANTREL_HAVE_ZLIB
        if (GetParam().compression >= 2) GTEST_SKIP() << "this build has no zlib";
#endif
    }
    void Store(PsdSpec& psd) const
    {
        psd.version = GetParam().version;
        psd.rle = GetParam().compression == 1;
        psd.zip = GetParam().compression >= 2;
        psd.prediction = GetParam().compression == 3;
    }
};

unsigned Sample16(int c, int x, int y) { return (c * 20011u + x * 4099u + y * 257u * 31u + x * y * 13u) & 0xFFFF; }

TEST_P(EveryStorage, SixteenBitRgbRoundsEachSample)
{
    PsdSpec psd;
    psd.width = 37;  // rows that end inside a block of 16
    psd.height = 5;
    psd.depth = 16;
    Store(psd);
    FillPlanes16(psd, [](int c, int x, int y) { return x < 10 ? 0xFFFF : Sample16(c, x, y); });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    for (int y = 0; y < psd.height; ++y)
        for (int x = 0; x < psd.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const unsigned v = x < 10 ? 0xFFFF : Sample16(c, x, y);
                ASSERT_EQ(rgb[(y * psd.width + x) * 3 + c], (510 * v + 65535) / 131070) << x << "," << y << " c" << c;
            }
}

TEST_P(EveryStorage, ThirtyTwoBitGreyIsLinearLight)
{
    PsdSpec psd{.width = 4, .height = 2, .channels = 1, .depth = 32, .colorMode = 1};
    Store(psd);
    vantrel::testing::FillPlanes32(psd, [](int, int x, int y) { return y == 0 ? x / 3.0f : x == 0 ? -1.0f : 0.25f * x; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    const Pixels expected = {0, 156, 213, 255, 0, 137, 188, 225};  // sRGB of 0, 1/3, 2/3, 1; 0, .25, .5, .75
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rgb[i * 3], expected[i]) << i;
}

TEST_P(EveryStorage, EightBitCmykWithTransparencyMattesOverWhite)
{
    PsdSpec psd;
    psd.width = 3;
    psd.height = 1;
    psd.colorMode = 4;
    psd.channels = 5;
    psd.layerAndMask = LayerCountSection(-1, GetParam().version);
    Store(psd);
    // Full cyan everywhere; opaque, half and fully transparent.
    FillPlanes(psd, [](int c, int x, int) { return c == 0 ? 0 : c < 4 ? 255 : 255 - 127 * x - (x == 2); });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(rgb, (Pixels{0, 255, 255, 127, 255, 255, 255, 255, 255}));
}

std::string StorageName(const ::testing::TestParamInfo<CStorage>& info)
{
    static const char* const kNames[] = {"Raw", "PackBits", "Zip", "ZipPrediction"};
    return std::string(info.param.version == 2 ? "Psb" : "Psd") + kNames[info.param.compression];
}

INSTANTIATE_TEST_SUITE_P(PsdAndPsb, EveryStorage,
                         ::testing::Values(CStorage{1, 0}, CStorage{1, 1}, CStorage{1, 2}, CStorage{1, 3},
                                           CStorage{2, 0}, CStorage{2, 1}, CStorage{2, 2}, CStorage{2, 3}),
                         StorageName);

TEST(PsdTransparency, ColourLeftUnderTransparentPixelsShowsWhiteAndSelectionsAreNotDrawn)
{
    // Red everywhere, its left half transparent, as a writer that does not matt saves it.
    PsdSpec psd{.width = 4, .height = 1, .channels = 5, .layerAndMask = LayerCountSection(-1)};
    FillPlanes(psd, [](int c, int x, int) { return c == 0 ? 255 : c < 3 ? 0 : c == 3 ? (x < 2 ? 0 : 255) : 0; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(rgb, (Pixels{255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 0}))
        << "the fifth channel, a saved selection of zeros, is not drawn";
    // The same channels without the layer section's word, but named: a saved selection.
    psd.layerAndMask.clear();
    psd.imageResources = vantrel::testing::AlphaNamesResource({"Alpha 1", "Alpha 2"});
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(rgb, (Pixels{255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}));
}

TEST(PsdTransparency, FiftySevenChannelsOpenWithTheirTransparency)
{
    // RGB, the merged transparency and 53 saved selections, as an editor saves the most it allows.
    PsdSpec psd{.width = 2, .height = 2, .channels = 57, .rle = true, .layerAndMask = LayerCountSection(-1)};
    FillPlanes(psd, [](int c, int x, int) { return c < 3 ? 40 * c : c == 3 ? 255 * x : 99; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(rgb, (Pixels{255, 255, 255, 0, 40, 80, 255, 255, 255, 0, 40, 80}));
}

TEST(PsdModes, SixteenBitLabConvertsFromItsStoredSamples)
{
    PsdSpec psd{.width = 3, .height = 1, .depth = 16, .colorMode = 9};
    // White, black and mid grey: L * 65535 / 100, and a = b = 0 at 32768.
    FillPlanes16(psd, [](int c, int x, int) { return c > 0 ? 32768 : x == 0 ? 65535 : x == 1 ? 0 : 35117; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(Pixels(rgb.begin(), rgb.begin() + 6), (Pixels{255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(rgb[6], rgb[7]);
    EXPECT_EQ(rgb[7], rgb[8]);
    EXPECT_NEAR(rgb[6], 128, 1);  // L* 53.585 is sRGB 128
}

TEST(PsdModes, MultichannelPrintsEachInkInItsDisplayColour)
{
    PsdSpec psd{.width = 2, .height = 1, .channels = 2, .colorMode = 7};
    // A red ink (RGB display colour) and a channel without a display colour (its default: cyan).
    psd.imageResources = ImageResource(0x0435, {0, 0, 0, 1, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 2});
    FillPlanes(psd, [](int c, int x, int) { return x == 0 ? 255 : c == 0 ? 0 : 255; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(rgb, (Pixels{255, 255, 255, 255, 0, 0}));
}

TEST(PsdModes, ASolidInkCoversTheInksPrintedBeforeItAsMuchAsItIsSolid)
{
    PsdSpec psd{.width = 3, .height = 1, .channels = 2, .colorMode = 7};
    // A cyan ink of solidity 0, then a red one of solidity 100 (RGB display colours).
    psd.imageResources = ImageResource(0x0435, {0, 0, 0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 2,
                                                0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 100, 2});
    // Stored values are inverted: 0 is full ink. Red full, none, half over full cyan.
    FillPlanes(psd, [](int c, int x, int) { return c == 0 ? 0 : x == 0 ? 0 : x == 1 ? 255 : 128; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    // Half of the light of cyan (0, 1, 1) stays, half is red paint: (0.498, 0.502, 0.502).
    EXPECT_EQ(rgb, (Pixels{255, 0, 0, 0, 255, 255, 127, 128, 128}));
}

TEST(PsdModes, DuotoneShowsItsGreyLevels)
{
    PsdSpec psd{.width = 2, .height = 1, .channels = 1, .colorMode = 8};
    psd.colorModeData.assign(40, 7);  // the editor's private duotone data
    FillPlanes(psd, [](int, int x, int) { return 30 + 100 * x; });
    Pixels rgb;
    ASSERT_EQ(Render(psd, rgb), "");
    EXPECT_EQ(rgb, (Pixels{30, 30, 30, 130, 130, 130}));
}

TEST(PsdDamage, ZipDataThatEndsEarlyOrIsCorruptFailsWithAReason)
{
#ifndef VANTREL_HAVE_ZLIB
    GTEST_SKIP() << "this build has no zlib";
#endif
    for (bool prediction : {false, true}) {
        PsdSpec psd{.width = 40, .height = 30, .depth = 16, .zip = true, .prediction = prediction};
        FillPlanes16(psd, [](int c, int x, int y) { return Sample16(c, x, y); });
        const auto bytes = WritePsd(psd);
        std::string reason;
        ASSERT_NE(RenderDocumentBytes(bytes, 20, 15, reason), nullptr) << reason;
        const std::size_t start = 26 + 12 + 2;
        for (std::size_t length = start; length < bytes.size(); length += 7) {
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
            reason.clear();
            EXPECT_EQ(RenderDocumentBytes(cut, 20, 15, reason), nullptr) << length;
            EXPECT_EQ(reason, "truncated ZIP image data") << length;
        }
        auto corrupt = bytes;
        corrupt[start] = 0x00;  // not a zlib header
        EXPECT_EQ(RenderDocumentBytes(corrupt, 20, 15, reason), nullptr);
        EXPECT_EQ(reason, "corrupt ZIP image data");
    }
    PsdSpec bitmap;
    bitmap.colorMode = 0;
    bitmap.depth = 1;
    bitmap.channels = 1;
    bitmap.zip = bitmap.prediction = true;
    Pixels rgb;
    EXPECT_EQ(Render(bitmap, rgb), "ZIP prediction is not defined for 1-bit data");
}

TEST(PsdDamage, EveryTruncationOfADeepPsbFailsCleanly)
{
    for (int compression : {0, 1, 3}) {
#ifndef VANTREL_HAVE_ZLIB
        if (compression == 3) continue;  // ZIP needs zlib
#endif
        PsdSpec psd;
        psd.version = 2;
        psd.width = 5;
        psd.height = 3;
        psd.depth = 16;
        psd.channels = 4;
        psd.rle = compression == 1;
        psd.zip = compression == 3;
        psd.prediction = compression == 3;
        psd.imageResources = ImageResource(0x040F, {1, 2, 3});
        psd.layerAndMask = LayerCountSection(-1, 2);
        FillPlanes16(psd, [](int c, int x, int y) { return x < 3 ? 99 : Sample16(c, x, y); });
        const auto bytes = WritePsd(psd);
        Pixels rgb;
        ASSERT_EQ(Render(psd, rgb), "");
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
            std::string reason;
            EXPECT_EQ(RenderDocumentBytes(cut, 2, 2, reason), nullptr) << length;
            EXPECT_FALSE(reason.empty());
            EXPECT_EQ(reason.find('\n'), std::string::npos);
        }
    }
}

TEST(PsdDamage, APsbCountLongerThanAnyRowIsRefused)
{
    PsdSpec psd{.width = 4, .height = 1, .channels = 3, .version = 2, .rle = true};
    auto bytes = WritePsd(psd);
    const std::size_t table = 26 + 4 + 4 + 8 + 2;
    bytes[table] = 0x7F;  // the first row claims two gigabytes
    std::string reason;
    EXPECT_EQ(RenderDocumentBytes(bytes, 2, 1, reason), nullptr);
    EXPECT_EQ(reason, "PackBits row of 2130706434 bytes is longer than a row can pack to");
}

#if defined(VANTREL_HAVE_LCMS2)

TEST(PsdProfiles, ConvertThroughTheEmbeddedProfile)
{
    const auto greyProfile = vantrel::testing::LinearGreyProfile();
    PsdSpec grey;
    grey.width = 3;
    grey.height = 1;
    grey.colorMode = 1;
    grey.channels = 1;
    grey.imageResources = ImageResource(0x040F, greyProfile);
    FillPlanes(grey, [](int, int x, int) { return x == 0 ? 0 : x == 1 ? 128 : 255; });
    Pixels rgb;
    ASSERT_EQ(Render(grey, rgb), "");
    EXPECT_NEAR(rgb[0], 0, 1);
    EXPECT_NEAR(rgb[3], 188, 1);
    EXPECT_NEAR(rgb[6], 255, 1);

    // An sRGB profile changes nothing; a damaged one, or one of another colour space, is ignored.
    PsdSpec rgbDocument{.width = 16, .height = 16};
    FillPlanes(rgbDocument, [](int c, int x, int y) { return (c * 77 + x * 16 + y * 3) % 256; });
    Pixels plain;
    ASSERT_EQ(Render(rgbDocument, plain), "");
    for (const auto& profile : {vantrel::testing::SavedProfile(cmsCreate_sRGBProfile()), std::vector<std::uint8_t>(200, 0x41), greyProfile}) {
        rgbDocument.imageResources = ImageResource(0x040F, profile);
        ASSERT_EQ(Render(rgbDocument, rgb), "");
        EXPECT_EQ(rgb, plain);
    }
    // A wide-gamut RGB profile (gamma 2.2, the Adobe RGB primaries) desaturates its pure red.
    cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsCIExyY white{};
    cmsWhitePointFromTemp(&white, 6504);
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    const auto wide = vantrel::testing::SavedProfile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(gamma);
    rgbDocument.width = rgbDocument.height = 1;
    rgbDocument.imageResources = ImageResource(0x040F, wide);
    FillPlanes(rgbDocument, [](int c, int, int) { return c == 0 ? 255 : 0; });
    ASSERT_EQ(Render(rgbDocument, rgb), "");
    EXPECT_EQ(rgb[0], 255);
    EXPECT_LT(rgb[1], 30);
    EXPECT_LT(rgb[2], 30);
    FillPlanes(rgbDocument, [](int c, int, int) { return c == 1 ? 255 : 0; });
    ASSERT_EQ(Render(rgbDocument, rgb), "");
    EXPECT_EQ(rgb[1], 255);
    EXPECT_EQ(rgb[0], 0) << "Adobe RGB green lies outside sRGB and clips";
}

#endif

}  // namespace

namespace {

// Writes the fuzz target's seeds when VANTREL_FUZZ_SEED_DIR names a folder (the seeds in
// fuzz/corpus/fuzz_render_document were written this way); otherwise skipped.
TEST(FuzzSeeds, WrittenWhenAsked)
{
    const char* folder = std::getenv("VANTREL_FUZZ_SEED_DIR");
    if (folder == nullptr) GTEST_SKIP() << "VANTREL_FUZZ_SEED_DIR is not set";
#ifndef VANTREL_HAVE_ZLIB
    GTEST_SKIP() << "this build has no zlib";
#endif
    const auto write = [&](const std::string& name, PsdSpec psd) {
        vantrel::testing::WriteFile(std::string(folder) + "/" + name, WritePsd(psd));
    };
    const auto smallRgb = [](int depth) {
        PsdSpec psd{.width = 7, .height = 3, .channels = 4, .depth = depth, .layerAndMask = LayerCountSection(-1)};
        if (depth == 16) FillPlanes16(psd, [](int c, int x, int y) { return Sample16(c, x, y); });
        if (depth == 32) vantrel::testing::FillPlanes32(psd, [](int c, int x, int y) { return 0.1f * c + 0.05f * x + 0.2f * y; });
        if (depth == 8) FillPlanes(psd, [](int c, int x, int y) { return 30 * c + 11 * x + 5 * y; });
        return psd;
    };
    PsdSpec psd = smallRgb(16);
    psd.rle = true;
    write("rgba16-packbits.psd", psd);
    psd.zip = psd.prediction = true;
    write("rgba16-zip-prediction.psd", psd);
    psd = smallRgb(32);
    psd.zip = psd.prediction = true;
    write("rgba32-zip-prediction.psd", psd);
    psd = smallRgb(8);
    psd.zip = true;
    psd.imageResources = ImageResource(0x040F, std::vector<std::uint8_t>(132, 0));
    write("rgba8-zip-profile.psd", psd);
    psd = smallRgb(8);
    psd.version = 2;
    psd.rle = true;
    psd.layerAndMask = LayerCountSection(-1, 2);
    write("rgba8-packbits.psb", psd);
    psd.colorMode = 9;
    psd.channels = 3;
    psd.rle = false;
    psd.layerAndMask.clear();
    write("lab8.psb", psd);
    psd = smallRgb(8);
    psd.colorMode = 7;
    psd.channels = 2;
    psd.layerAndMask.clear();
    psd.imageResources = ImageResource(0x0435, {0, 0, 0, 1, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 2});
    write("multichannel8.psd", psd);
}

}  // namespace
