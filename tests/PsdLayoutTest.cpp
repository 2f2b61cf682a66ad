#include <gtest/gtest.h>

#include "studio/psd/PsdLayout.h"
#include "support/PsdWriter.h"
#include "support/ScratchFile.h"

namespace {

using vantrel::studio::CDocumentFile;
using vantrel::studio::CPsdLayout;
using vantrel::testing::CScratchFile;
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

// Reads the layout; returns the reason, or "" when the document was accepted.
std::string Refusal(const std::vector<std::uint8_t>& bytes, CPsdLayout* layout = nullptr)
{
    CScratchFile scratch(bytes);
    CDocumentFile file(scratch.Path());
    CPsdLayout read;
    std::string reason;
    if (ReadPsdLayout(file, read, reason)) {
        if (layout) *layout = read;
        return "";
    }
    EXPECT_FALSE(reason.empty());
    return reason;
}

std::vector<std::uint8_t> SmallRgb()
{
    PsdSpec psd;
    psd.width = 4;
    psd.height = 3;
    return WritePsd(psd);
}

TEST(PsdLayout, FindsTheImageDataPastEverySection)
{
    PsdSpec psd;
    psd.width = 7;
    psd.height = 5;
    psd.channels = 2;
    psd.colorMode = 2;
    psd.rle = true;
    psd.colorModeData.assign(772, 0);  // a palette and four more bytes some writers add
    for (int i = 0; i < 768; ++i) psd.colorModeData[i] = static_cast<std::uint8_t>(i / 3);
    psd.imageResources.assign(30, 0xEE);
    psd.layerAndMask.assign(101, 0xDD);
    CPsdLayout layout;
    ASSERT_EQ(Refusal(WritePsd(psd), &layout), "");
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
    EXPECT_EQ(Refusal(bytes), "not a PSD document");
    EXPECT_EQ(Refusal({}), "not a PSD document");
    EXPECT_EQ(Refusal({'8', 'B', 'P'}), "not a PSD document");
    EXPECT_EQ(Refusal({'8', 'B', 'P', 'S', 0, 1}), "truncated header");
}

TEST(PsdLayout, RefusesHeadersOutsideWhatItReads)
{
    const struct {
        std::size_t at;
        unsigned value;
        bool wide;
        const char* reason;
    } cases[] = {
        {kVersion, 2, false, "PSB (version 2) documents are not supported"},
        {kVersion, 3, false, "unknown PSD version 3"},
        {kChannels, 0, false, "channel count 0 is outside 1..56"},
        {kChannels, 57, false, "channel count 57 is outside 1..56"},
        {kChannels, 2, false, "RGB needs 3 channels, the document has 2"},
        {kWidth, 0, true, "width is 0"},
        {kHeight, 0, true, "height is 0"},
        {kWidth, 30001, true, "width 30001 exceeds 30000"},
        {kHeight, 0xFFFFFFFFu, true, "height 4294967295 exceeds 30000"},
        {kDepth, 16, false, "depth 16 is not supported for RGB documents"},
        {kDepth, 1, false, "depth 1 is not supported for RGB documents"},
        {kMode, 7, false, "colour mode 7 (Multichannel) is not supported"},
        {kMode, 9, false, "colour mode 9 (Lab) is not supported"},
        {kMode, 0xBEEF, false, "colour mode 48879 (unknown) is not supported"},
    };
    for (const auto& c : cases) {
        auto bytes = SmallRgb();
        if (c.wide)
            Put32(bytes, c.at, c.value);
        else
            Put16(bytes, c.at, c.value);
        EXPECT_EQ(Refusal(bytes), c.reason);
    }
    auto largest = SmallRgb();
    Put32(largest, kWidth, 30000);
    Put32(largest, kHeight, 30000);
    Put16(largest, kChannels, 56);
    EXPECT_EQ(Refusal(largest), "") << "the header alone does not promise more than the limits allow";
}

TEST(PsdLayout, RefusesModesWithoutTheirChannels)
{
    PsdSpec cmyk;
    cmyk.colorMode = 4;
    cmyk.channels = 3;
    EXPECT_EQ(Refusal(WritePsd(cmyk)), "CMYK needs 4 channels, the document has 3");
    PsdSpec indexed;
    indexed.colorMode = 2;
    indexed.channels = 1;
    indexed.colorModeData.assign(767, 0);
    EXPECT_EQ(Refusal(WritePsd(indexed)), "indexed document without a 768-byte palette");
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
    EXPECT_EQ(Refusal(patched), "truncated colour-mode data");
    patched = bytes;
    Put32(patched, resourcesLength, 0xFFFFFFFFu);
    EXPECT_EQ(Refusal(patched), "truncated image resources");
    patched = bytes;
    Put32(patched, layersLength, static_cast<std::uint32_t>(bytes.size() - layersLength - 4 + 1));
    EXPECT_EQ(Refusal(patched), "truncated layer and mask information");
    patched.assign(bytes.begin(), bytes.begin() + static_cast<long>(compression) + 1);
    EXPECT_EQ(Refusal(patched), "truncated image data");
}

TEST(PsdLayout, RefusesCompressionsItCannotDecode)
{
    PsdSpec psd;
    auto bytes = WritePsd(psd);
    const std::size_t compression = kColorModeLength + 12;
    for (unsigned method : {2u, 3u}) {
        Put16(bytes, compression, method);
        EXPECT_EQ(Refusal(bytes), "ZIP-compressed image data is not supported");
    }
    Put16(bytes, compression, 4);
    EXPECT_EQ(Refusal(bytes), "unknown compression 4");
}

}  // namespace
