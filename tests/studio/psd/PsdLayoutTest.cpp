#include <gtest/gtest.h>

#include <span>

#include "studio/psd/PsdLayout.h"
#include "PsdWriter.h"
#include "RefusalPrinting.h"

using vantrel::studio::psd::ReadPsdLayout;

namespace {

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::psd::CPsdLayout;
using vantrel::studio::psd::CPsdRefusal;
using vantrel::studio::psd::PsdError;
using vantrel::testing::PsdSpec;
using vantrel::testing::WritePsd;

// Header field offsets in a version 1 document.
constexpr std::size_t kVersion = 4, kChannels = 12, kHeight = 14, kWidth = 18, kDepth = 22, kMode = 24,
                      kColorModeLength = 26;

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value)
{
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    Put16(bytes, at, value >> 16);
    Put16(bytes, at + 2, value & 0xFFFF);
}

const CPsdRefusal kAccepted;

// Reads the layout; returns the refusal, or kAccepted when the document was accepted.
CPsdRefusal Refusal(const std::vector<std::uint8_t>& bytes, CPsdLayout* layout = nullptr)
{
    CDocumentFile file(std::span{bytes});
    CPsdLayout read;
    CPsdRefusal refusal;
    if (ReadPsdLayout(file, read, refusal)) {
        if (layout) *layout = read;
        return kAccepted;
    }
    EXPECT_TRUE(refusal.Refused());
    return refusal;
}

template <typename... Values>
CPsdRefusal Refused(PsdError kind, const Values&... values)
{
    return CPsdRefusal::Of(kind, values...);
}

std::vector<std::uint8_t> SmallRgb()
{
    PsdSpec psd{.width = 4, .height = 3};
    return WritePsd(psd);
}

TEST(PsdLayout, FindsTheImageDataPastEverySection)
{
    PsdSpec psd{.width = 7, .height = 5, .channels = 2, .colorMode = 2, .rle = true};
    psd.colorModeData.assign(772, 0);  // a palette and four more bytes some writers add
    for (int i = 0; i < 768; ++i) psd.colorModeData[i] = static_cast<std::uint8_t>(i / 3);
    psd.imageResources.assign(30, 0xEE);
    psd.layerAndMask.assign(101, 0xDD);
    CPsdLayout layout;
    ASSERT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
    EXPECT_EQ(layout.width, 7);
    EXPECT_EQ(layout.height, 5);
    EXPECT_EQ(layout.channels, 2);
    EXPECT_EQ(layout.depth, 8);
    EXPECT_EQ(layout.colorMode, 2);
    EXPECT_EQ(layout.compression, 1);
    EXPECT_EQ(layout.RowBytes(), 7u);
    ASSERT_EQ(layout.palette.size(), 768u);
    EXPECT_EQ(layout.palette[767], 255);
    EXPECT_EQ(layout.imageDataOffset, 26u + 4 + 772 + 4 + 30 + 4 + 101 + 2);
}

TEST(PsdLayout, RecognisesDocumentsByContentOnly)
{
    auto bytes = SmallRgb();
    bytes[0] = '8';
    bytes[3] = 'D';
    EXPECT_EQ(Refusal(bytes), Refused(PsdError::NotPsd));
    EXPECT_EQ(Refusal({}), Refused(PsdError::NotPsd));
    EXPECT_EQ(Refusal({'8', 'B', 'P'}), Refused(PsdError::NotPsd));
    EXPECT_EQ(Refusal({'8', 'B', 'P', 'S'}), Refused(PsdError::TruncatedHeader));
    EXPECT_EQ(Refusal({'8', 'B', 'P', 'S', 0, 1}), Refused(PsdError::TruncatedHeader));
}

TEST(PsdLayout, RefusesHeadersOutsideWhatItReads)
{
    const struct {
        std::size_t at;
        unsigned value;
        bool wide;
        CPsdRefusal refusal;
    } cases[] = {
        {kVersion, 3, false, Refused(PsdError::UnknownVersion, 3)},
        {kChannels, 0, false, Refused(PsdError::NoChannels)},
        {kChannels, 2, false, Refused(PsdError::TooFewChannels, "RGB", 3, 2)},
        {kWidth, 0, true, Refused(PsdError::SideZero, "width")},
        {kHeight, 0, true, Refused(PsdError::SideZero, "height")},
        {kWidth, 30001, true, Refused(PsdError::SideTooLong, "width", 30001, 30000)},
        {kHeight, 0xFFFFFFFFu, true, Refused(PsdError::SideTooLong, "height", 4294967295u, 30000)},
        {kDepth, 17, false, Refused(PsdError::DepthForMode, 17, "RGB")},
        {kDepth, 1, false, Refused(PsdError::DepthForMode, 1, "RGB")},
        {kDepth, 64, false, Refused(PsdError::DepthForMode, 64, "RGB")},
        {kMode, 6, false, Refused(PsdError::UnknownColorMode, 6)},
        {kMode, 0xBEEF, false, Refused(PsdError::UnknownColorMode, 48879)},
    };
    for (const auto& c : cases) {
        auto bytes = SmallRgb();
        if (c.wide)
            Put32(bytes, c.at, c.value);
        else
            Put16(bytes, c.at, c.value);
        EXPECT_EQ(Refusal(bytes), c.refusal);
    }
    auto largest = SmallRgb();
    Put32(largest, kWidth, 30000);
    Put32(largest, kHeight, 30000);
    Put16(largest, kChannels, 56);
    EXPECT_EQ(Refusal(largest), kAccepted) << "the header alone does not promise more than the limits allow";
}

TEST(PsdLayout, ReadsEveryDepthEachModeHas)
{
    const struct {
        int mode;
        int channels;
        std::vector<int> depths;
        std::vector<int> refused;
    } modes[] = {
        {0, 1, {1}, {8, 16, 32}},        {1, 1, {8, 16, 32}, {1}},    {2, 1, {8}, {1, 16, 32}},
        {3, 3, {8, 16, 32}, {1}},        {4, 4, {8, 16}, {1, 32}},    {7, 2, {8, 16}, {1, 32}},
        {8, 1, {8, 16}, {1, 32}},        {9, 3, {8, 16}, {1, 32}},
    };
    for (const auto& mode : modes) {
        PsdSpec psd{.channels = mode.channels, .colorMode = mode.mode};
        if (mode.mode == 2) psd.colorModeData.assign(768, 0);
        for (int depth : mode.depths) {
            psd.depth = depth;
            CPsdLayout layout;
            EXPECT_EQ(Refusal(WritePsd(psd), &layout), kAccepted) << "mode " << mode.mode << " depth " << depth;
            EXPECT_EQ(layout.depth, depth);
            EXPECT_EQ(layout.colourChannels, mode.channels);
        }
        for (int depth : mode.refused) {
            psd.depth = depth;
            const CPsdRefusal refusal = Refusal(WritePsd(psd));
            EXPECT_EQ(refusal.kind, PsdError::DepthForMode) << "mode " << mode.mode << ": " << refusal.Text();
            EXPECT_EQ(refusal.details.at(0), std::to_string(depth)) << "mode " << mode.mode;
        }
    }
}

TEST(PsdLayout, PsbSidesReachThreeHundredThousandWithinAPixelCap)
{
    PsdSpec psd{.version = 2, .rle = true, .layerAndMask = vantrel::testing::LayerCountSection(-1, 2)};
    CPsdLayout layout;
    ASSERT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
    EXPECT_EQ(layout.version, 2);
    EXPECT_EQ(layout.imageDataOffset, 26u + 4 + 4 + 8 + 10 + 2) << "an 8-byte section length, and its layer info too";
    auto bytes = WritePsd(psd);
    Put32(bytes, kWidth, 300000);
    Put32(bytes, kHeight, 7158);
    EXPECT_EQ(Refusal(bytes), kAccepted) << "300000 x 7158 is within 2^31 pixels";
    Put32(bytes, kHeight, 7159);
    EXPECT_EQ(Refusal(bytes), Refused(PsdError::TooManyPixels, 300000, 7159, 2147483648u));
    Put32(bytes, kWidth, 300001);
    EXPECT_EQ(Refusal(bytes), Refused(PsdError::SideTooLong, "width", 300001, 300000));
    Put32(bytes, kWidth, 1);
    Put32(bytes, kHeight, 300001);
    EXPECT_EQ(Refusal(bytes), Refused(PsdError::SideTooLong, "height", 300001, 300000));
}

TEST(PsdLayout, TellsTheMergedTransparencyFromSavedSelections)
{
    using vantrel::testing::AlphaNamesResource;
    using vantrel::testing::ImageResource;
    using vantrel::testing::LayerCountSection;
    const auto transparency = [](const PsdSpec& psd) {
        CPsdLayout layout;
        EXPECT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
        return layout.mergedTransparency;
    };
    PsdSpec psd;
    psd.channels = 3;
    EXPECT_FALSE(transparency(psd)) << "no extra channel";
    psd.channels = 4;
    EXPECT_TRUE(transparency(psd)) << "an extra channel nothing describes, as some writers save transparency";
    psd.imageResources = AlphaNamesResource({"Alpha 1"});
    EXPECT_FALSE(transparency(psd)) << "a named channel is a saved selection";
    psd.layerAndMask = LayerCountSection(-2);
    EXPECT_TRUE(transparency(psd)) << "a negative layer count says the first extra channel is the transparency";
    psd.layerAndMask = LayerCountSection(2);
    EXPECT_FALSE(transparency(psd));
    // Alpha identifiers: 0 marks the transparency; they belong to the last channels.
    psd.channels = 5;
    psd.imageResources = ImageResource(0x041D, {0, 0, 0, 0, 0, 0, 0, 9});
    EXPECT_TRUE(transparency(psd));
    psd.imageResources = ImageResource(0x041D, {0, 0, 0, 9, 0, 0, 0, 0});
    EXPECT_FALSE(transparency(psd)) << "the transparency is the second extra channel, which is never drawn";
    psd.imageResources = ImageResource(0x041D, {0, 0, 0, 7});
    EXPECT_FALSE(transparency(psd));
    // A Mtrn block among the layer section's tagged blocks says the same as a negative count.
    psd.imageResources = AlphaNamesResource({"Alpha 1", "Alpha 2"});
    psd.layerAndMask = {0, 0, 0, 0, 0, 0, 0, 0, '8', 'B', 'I', 'M', 'M', 't', 'r', 'n', 0, 0, 0, 0};
    EXPECT_TRUE(transparency(psd));
    // A 16-bit document keeps its layer count in a Lr16 block.
    psd.layerAndMask = {0, 0, 0, 0, 0, 0, 0, 0, '8', 'B', 'I', 'M', 'L', 'r', '1', '6', 0, 0, 0, 4, 0xFF, 0xFF, 0, 0};
    EXPECT_TRUE(transparency(psd));
    // Bitmap documents have no transparency.
    PsdSpec bitmap{.channels = 2, .depth = 1, .colorMode = 0};
    EXPECT_FALSE(transparency(bitmap));
}

TEST(PsdLayout, CountsOnlyTheDrawnChannelsAgainstTheLimit)
{
    // An RGB document with its transparency and 53 saved selections, as an editor saves one.
    PsdSpec psd{.channels = 57, .layerAndMask = vantrel::testing::LayerCountSection(-1)};
    CPsdLayout layout;
    ASSERT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
    EXPECT_EQ(layout.DrawnChannels(), 4);
    // Every channel of a Multichannel document is drawn.
    psd.colorMode = 7;
    EXPECT_EQ(Refusal(WritePsd(psd)), Refused(PsdError::TooManyDrawnChannels, 57, 56));
    psd.channels = 56;
    EXPECT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
    EXPECT_EQ(layout.DrawnChannels(), 56);
}

TEST(PsdLayout, ReadsTheResourcesTheDisplayNeeds)
{
    using vantrel::testing::ImageResource;
    PsdSpec psd{.channels = 2, .colorMode = 7};
    const std::vector<std::uint8_t> profile = {1, 2, 3, 4, 5};
    // Display information: a version, then per channel a colour space, four components, an
    // opacity and a kind.
    std::vector<std::uint8_t> display = {0, 0, 0, 1, 0, 2, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2};
    psd.imageResources = ImageResource(0x0400, {9, 9, 9});  // one the studio steps over
    for (auto block : {ImageResource(0x040F, profile), ImageResource(0x0435, display)})
        psd.imageResources.insert(psd.imageResources.end(), block.begin(), block.end());
    CPsdLayout layout;
    ASSERT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
    EXPECT_EQ(layout.iccProfile, profile);
    ASSERT_EQ(layout.inks.size(), 2u);
    EXPECT_EQ(layout.inks[0].space, 2);
    EXPECT_EQ(layout.inks[0].components[0], 0);
    EXPECT_EQ(layout.inks[0].components[1], 0xFFFF);
    EXPECT_EQ(layout.inks[1].space, -1) << "a channel the resource leaves out";
    EXPECT_FALSE(layout.mergedTransparency);

    PsdSpec indexed{.channels = 1, .colorMode = 2};
    indexed.colorModeData.assign(768, 0);
    indexed.imageResources = ImageResource(0x0417, {0, 200});
    ASSERT_EQ(Refusal(WritePsd(indexed), &layout), kAccepted);
    EXPECT_EQ(layout.transparentIndex, 200);

    // A resource whose length runs past its section ends the reading, not the document.
    psd.imageResources = ImageResource(0x040F, profile);
    psd.imageResources[11] = 0x7F;
    EXPECT_EQ(Refusal(WritePsd(psd), &layout), kAccepted);
    EXPECT_TRUE(layout.iccProfile.empty());
}

TEST(PsdLayout, RefusesModesWithoutTheirChannels)
{
    PsdSpec cmyk{.channels = 3, .colorMode = 4};
    EXPECT_EQ(Refusal(WritePsd(cmyk)), Refused(PsdError::TooFewChannels, "CMYK", 4, 3));
    PsdSpec indexed{.channels = 1, .colorMode = 2};
    indexed.colorModeData.assign(767, 0);
    EXPECT_EQ(Refusal(WritePsd(indexed)), Refused(PsdError::NoPalette));
}

TEST(PsdLayout, RefusesSectionsThatRunPastTheEnd)
{
    PsdSpec psd;
    psd.imageResources.assign(8, 0);
    psd.layerAndMask.assign(8, 0);
    const auto bytes = WritePsd(psd);
    const std::size_t resourcesLength = kColorModeLength + 4;
    const std::size_t layersLength = resourcesLength + 4 + 8;
    const std::size_t compression = layersLength + 4 + 8;
    auto patched = bytes;
    Put32(patched, kColorModeLength, static_cast<std::uint32_t>(bytes.size()));
    EXPECT_EQ(Refusal(patched), Refused(PsdError::TruncatedSection, "colour-mode data"));
    patched = bytes;
    Put32(patched, resourcesLength, 0xFFFFFFFFu);
    EXPECT_EQ(Refusal(patched), Refused(PsdError::TruncatedSection, "image resources"));
    patched = bytes;
    Put32(patched, layersLength, static_cast<std::uint32_t>(bytes.size() - layersLength - 4 + 1));
    EXPECT_EQ(Refusal(patched), Refused(PsdError::TruncatedSection, "layer and mask information"));
    patched.assign(bytes.begin(), bytes.begin() + static_cast<long>(compression) + 1);
    EXPECT_EQ(Refusal(patched), Refused(PsdError::TruncatedImageData));
}

TEST(PsdLayout, RefusesCompressionsItCannotDecode)
{
    PsdSpec psd;
    auto bytes = WritePsd(psd);
    const std::size_t compression = kColorModeLength + 12;
    for (unsigned method : {0u, 1u, 2u, 3u}) {
        Put16(bytes, compression, method);
        CPsdLayout layout;
        EXPECT_EQ(Refusal(bytes, &layout), kAccepted);
        EXPECT_EQ(layout.compression, static_cast<int>(method));
    }
    Put16(bytes, compression, 4);
    EXPECT_EQ(Refusal(bytes), Refused(PsdError::UnknownCompression, 4));
}

}  // namespace
