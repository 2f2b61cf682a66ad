#include <gtest/gtest.h>

#if VANTREL_STUDIO_Jpeg

#include <cstdlib>

#include "RasterWriters.h"
#include "RenderBytes.h"

namespace {

using vantrel::testing::ExpectPrefixesFailCleanly;
using vantrel::testing::FillInterleaved;
using vantrel::testing::JpegSpec;
using vantrel::testing::RenderBytes;
using vantrel::testing::RenderRgb;
using vantrel::testing::WriteJpeg;

// Four flat quadrants, each a whole number of 16 x 16 blocks, so that compression keeps each
// quadrant's colour to within a level or two.
const std::uint8_t kQuadrants[4][4] = {{200, 30, 60, 0}, {20, 180, 90, 40}, {250, 250, 240, 200}, {10, 60, 220, 90}};

JpegSpec Quadrants(int width, int height, int channels)
{
    JpegSpec jpeg;
    jpeg.width = width;
    jpeg.height = height;
    jpeg.channels = channels;
    FillInterleaved(jpeg.samples, width, height, channels, [&](int c, int x, int y) {
        return kQuadrants[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)][c];
    });
    return jpeg;
}

// Each quadrant's centre in a preview of previewWidth x previewHeight is within tolerance of
// the colour expected there.
template <typename F>
void ExpectQuadrants(const std::vector<std::uint8_t>& rgb, int previewWidth, int previewHeight, F expected, int tolerance)
{
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(previewWidth) * previewHeight * 3);
    for (int q = 0; q < 4; ++q) {
        const int x = (q % 2 * 2 + 1) * previewWidth / 4;
        const int y = (q / 2 * 2 + 1) * previewHeight / 4;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(rgb[(static_cast<std::size_t>(y) * previewWidth + x) * 3 + c], expected(q, c), tolerance)
                << "quadrant " << q << " channel " << c;
    }
}

TEST(JpegFormat, BaselineAndProgressiveShowTheirColours)
{
    for (bool progressive : {false, true}) {
        JpegSpec jpeg = Quadrants(64, 48, 3);
        jpeg.progressive = progressive;
        std::string reason;
        auto document = RenderBytes(WriteJpeg(jpeg), 64, 48, reason);
        ASSERT_NE(document, nullptr) << reason;
        EXPECT_EQ(document->width, 64);
        EXPECT_EQ(document->height, 48);
        EXPECT_EQ(document->modeName, "RGB");
        ExpectQuadrants(document->previewRgb, 64, 48, [](int q, int c) { return kQuadrants[q][c]; }, 3);
    }
}

// A large photograph is decoded scaled down (1/8 here) and still shows its colours.
TEST(JpegFormat, ALargeFileDecodesScaledToThePreview)
{
    std::string reason;
    auto document = RenderBytes(WriteJpeg(Quadrants(3200, 2560, 3)), 200, 160, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->width, 3200);
    EXPECT_EQ(document->height, 2560);
    ExpectQuadrants(document->previewRgb, 200, 160, [](int q, int c) { return kQuadrants[q][c]; }, 3);
}

TEST(JpegFormat, GreyscaleIsAGreyscaleDocument)
{
    JpegSpec jpeg = Quadrants(32, 32, 1);
    std::string reason;
    auto document = RenderBytes(WriteJpeg(jpeg), 32, 32, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->modeName, "Grayscale");
    ExpectQuadrants(document->previewRgb, 32, 32, [](int q, int) { return kQuadrants[q][0]; }, 2);
}

// Adobe's marker means inverted inks (255 is none); without it 0 is none. YCCK is CMYK too.
TEST(JpegFormat, CmykAndYcckFollowTheAdobeMarker)
{
    for (bool ycck : {false, true})
        for (bool adobe : {true, false}) {
            if (ycck && !adobe) continue;  // YCCK needs the marker's transform code
            JpegSpec jpeg = Quadrants(32, 32, 4);
            jpeg.ycck = ycck;
            jpeg.adobeMarker = adobe;
            std::string reason;
            auto document = RenderBytes(WriteJpeg(jpeg), 32, 32, reason);
            ASSERT_NE(document, nullptr) << reason;
            EXPECT_EQ(document->modeName, "CMYK");
            ExpectQuadrants(document->previewRgb, 32, 32, [&](int q, int c) {
                const int ink = kQuadrants[q][c];
                const int black = kQuadrants[q][3];
                return adobe ? ink * black / 255.0 : (255 - ink) * (255 - black) / 255.0;
            }, 4);
        }
}

// A camera's portrait photograph: stored on its side with orientation 6, shown upright.
TEST(JpegFormat, TheExifOrientationTurnsTheDocumentAsAnEditorOpensIt)
{
    JpegSpec jpeg = Quadrants(64, 32, 3);
    jpeg.orientation = 6;
    std::string reason;
    auto document = RenderBytes(WriteJpeg(jpeg), 32, 64, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->width, 32);
    EXPECT_EQ(document->height, 64);
    // Turned a quarter clockwise: the stored bottom-left quadrant is now top-left.
    const int turned[4] = {2, 0, 3, 1};
    ExpectQuadrants(document->previewRgb, 32, 64, [&](int q, int c) { return kQuadrants[turned[q]][c]; }, 3);
}

TEST(JpegFormat, TruncatedFilesFailWithAReason)
{
    for (bool progressive : {false, true}) {
        JpegSpec jpeg = Quadrants(48, 32, 3);
        jpeg.progressive = progressive;
        const auto bytes = WriteJpeg(jpeg);
        // The last bytes may be padding and the end marker, which an editor does without.
        ExpectPrefixesFailCleanly(bytes, bytes.size() - 8);
    }
}

// The frame header's sides: past JPEG's 65,535 (libjpeg's 65,500), and past the pixel cap.
TEST(JpegFormat, OversizedHeadersAreRefusedBeforeDecoding)
{
    const auto bytes = WriteJpeg(Quadrants(16, 16, 3));
    std::size_t frame = 0;
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            frame = i;
            break;
        }
    ASSERT_GT(frame, 0u);
    const auto withSides = [&](unsigned width, unsigned height) {
        auto patched = bytes;
        patched[frame + 5] = static_cast<std::uint8_t>(height >> 8);
        patched[frame + 6] = static_cast<std::uint8_t>(height);
        patched[frame + 7] = static_cast<std::uint8_t>(width >> 8);
        patched[frame + 8] = static_cast<std::uint8_t>(width);
        std::string reason;
        EXPECT_EQ(RenderBytes(patched, 200, 160, reason), nullptr);
        return reason;
    };
    EXPECT_EQ(withSides(40000, 40000), "JPEG: 40000 x 40000 pixels exceed the limit of 900000000");
    EXPECT_NE(withSides(65535, 16).find("65500"), std::string::npos);
}

// A progressive file keeps every coefficient while it decodes; past libjpeg's memory limit it
// is refused before that memory is taken.
TEST(JpegFormat, AProgressiveFileTooLargeToHoldIsRefused)
{
    JpegSpec jpeg = Quadrants(16, 16, 3);
    jpeg.progressive = true;
    auto bytes = WriteJpeg(jpeg);
    for (std::size_t i = 2; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) {
            bytes[i + 5] = 20000 >> 8;  // 30000 x 20000: under the pixel cap
            bytes[i + 6] = 20000 & 0xFF;
            bytes[i + 7] = 30000 >> 8;
            bytes[i + 8] = 30000 & 0xFF;
            break;
        }
    std::string reason;
    EXPECT_EQ(RenderBytes(bytes, 200, 160, reason), nullptr);
    EXPECT_EQ(reason, "JPEG: decoding this progressive image needs more than 512 MiB");
}

}  // namespace

#endif
