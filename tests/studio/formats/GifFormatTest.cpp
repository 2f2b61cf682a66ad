#include <gtest/gtest.h>

#if VANTREL_STUDIO_Gif

#include "RasterWriters.h"
#include "RenderBytes.h"

namespace {

using vantrel::testing::ExpectPrefixesFailCleanly;
using vantrel::testing::GifSpec;
using vantrel::testing::RenderBytes;
using vantrel::testing::RenderRgb;
using vantrel::testing::WriteGif;

GifSpec Frame(int width, int height)
{
    GifSpec gif;
    gif.screenWidth = gif.width = width;
    gif.screenHeight = gif.height = height;
    for (int i = 0; i < 16; ++i)
        gif.colours.push_back({static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(200 - i * 3), static_cast<std::uint8_t>(i * 9)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) gif.indices.push_back(static_cast<std::uint8_t>((x + 3 * y) % 16));
    return gif;
}

std::array<std::uint8_t, 3> Colour(const GifSpec& gif, int x, int y)
{
    if (x < gif.left || y < gif.top || x >= gif.left + gif.width || y >= gif.top + gif.height) return {255, 255, 255};
    const int index = gif.indices[static_cast<std::size_t>(y - gif.top) * gif.width + (x - gif.left)];
    if (index == gif.transparent) return {255, 255, 255};
    return gif.colours[static_cast<std::size_t>(index)];
}

void ExpectShown(const GifSpec& gif)
{
    std::string reason;
    auto document = RenderBytes(WriteGif(gif), gif.screenWidth, gif.screenHeight, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->modeName, "Indexed");
    EXPECT_EQ(document->width, gif.screenWidth);
    for (int y = 0; y < gif.screenHeight; ++y)
        for (int x = 0; x < gif.screenWidth; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(document->previewRgb[(static_cast<std::size_t>(y) * gif.screenWidth + x) * 3 + c], Colour(gif, x, y)[c])
                    << x << "," << y;
}

TEST(GifFormat, TheFirstFrameWithItsTransparencyOverWhite)
{
    GifSpec gif = Frame(11, 9);
    ExpectShown(gif);
    gif.transparent = 5;
    ExpectShown(gif);
    gif.localColours = true;
    ExpectShown(gif);
    gif.interlace = true;
    ExpectShown(gif);
    // A second frame changes nothing an editor opens.
    gif.secondFrame.assign(gif.indices.size(), 3);
    ExpectShown(gif);
}

TEST(GifFormat, AFrameSmallerThanTheScreenHasWhiteAroundIt)
{
    for (bool interlace : {false, true}) {
        GifSpec gif = Frame(5, 10);
        gif.screenWidth = 12;
        gif.screenHeight = 14;
        gif.left = 4;
        gif.top = 3;
        gif.interlace = interlace;
        ExpectShown(gif);
    }
}

TEST(GifFormat, InterlacedAndPlainFilesShowAlikeWhenShrunk)
{
    GifSpec plain = Frame(53, 37);
    GifSpec interlaced = plain;
    interlaced.interlace = true;
    EXPECT_EQ(RenderRgb(WriteGif(plain), 20, 16), RenderRgb(WriteGif(interlaced), 20, 16));
}

TEST(GifFormat, TruncatedFilesFailWithAReason)
{
    for (bool interlace : {false, true}) {
        GifSpec gif = Frame(23, 17);
        gif.interlace = interlace;
        const auto bytes = WriteGif(gif);
        // The trailer and the image data's terminator may go.
        ExpectPrefixesFailCleanly(bytes, bytes.size() - 2);
    }
}

}  // namespace

#endif
