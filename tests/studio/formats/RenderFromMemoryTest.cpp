// A document's bytes in memory render exactly as the same bytes in a file: every kind the
// studio opens, whole and cut short, so that a decoder reading past what it checked, or the
// memory source bounding its reads differently from the file, shows as a difference.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "studio/formats/RenderDocument.h"
#include "PsdWriter.h"
#include "RasterWriters.h"
#include "ScratchFile.h"

namespace {

using vantrel::studio::render::CRenderedDocument;
using vantrel::testing::CScratchFile;
using vantrel::testing::FillInterleaved;
using vantrel::testing::FillPlanes;
using vantrel::testing::PsdSpec;
using vantrel::testing::SolidRgbLayer;
using vantrel::testing::WritePsd;

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 37;
constexpr int kHeight = 23;

// All a caller sees of one render.
struct COutcome {
    std::string reason;  // empty when it rendered
    int width = 0;
    int height = 0;
    std::string modeName;
    std::vector<std::uint8_t> previewRgb;
    bool fromLayers = false;
    std::vector<std::string> skipped;
    bool operator==(const COutcome&) const = default;
};

COutcome Seen(const std::unique_ptr<CRenderedDocument>& document, const std::string& reason)
{
    COutcome seen;
    if (!document) {
        seen.reason = reason.empty() ? "(no reason)" : reason;
        return seen;
    }
    seen.width = document->width;
    seen.height = document->height;
    seen.modeName = document->modeName;
    seen.previewRgb = document->previewRgb;
    seen.fromLayers = document->fromLayers;
    seen.skipped = document->skippedLayerFeatures;
    return seen;
}

COutcome FromFile(const Bytes& bytes)
{
    CScratchFile file(bytes);
    std::string reason;
    return Seen(vantrel::studio::formats::RenderDocument(file.Path(), 20, 16, reason), reason);
}

COutcome FromMemory(const Bytes& bytes)
{
    std::string reason;
    return Seen(vantrel::studio::formats::RenderDocumentBytes(bytes, 20, 16, reason), reason);
}

int Pattern(int c, int x, int y) { return (x * 29 + y * 13 + c * 71) & 0xFF; }

// A codec-backed kind's image of kWidth x kHeight RGB samples, as its writer takes it.
template <typename Image>
Image RgbPattern()
{
    Image image;
    image.width = kWidth;
    image.height = kHeight;
    FillInterleaved(image.samples, kWidth, kHeight, 3, Pattern);
    return image;
}

std::vector<std::pair<std::string, Bytes>> OneOfEachKind()
{
    std::vector<std::pair<std::string, Bytes>> documents;
    PsdSpec psd{.width = kWidth, .height = kHeight, .rle = true};
    FillPlanes(psd, Pattern);
    documents.emplace_back("PSD composite", WritePsd(psd));
    psd.version = 2;
    documents.emplace_back("PSB composite", WritePsd(psd));

    PsdSpec layered;
    layered.width = kWidth;
    layered.height = kHeight;
    layered.imageResources = vantrel::testing::VersionInfoResources(false);
    layered.layerAndMask = vantrel::testing::LayerAndMaskSection(
        {SolidRgbLayer(0, 0, kHeight, kWidth, 10, 200, 30), SolidRgbLayer(3, 5, 17, 30, 250, 20, 90, 128)});
    documents.emplace_back("PSD layers", WritePsd(layered));

    vantrel::testing::BmpSpec bmp;
    bmp.width = kWidth;
    bmp.height = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            bmp.pixels.push_back(static_cast<std::uint32_t>(Pattern(0, x, y) << 16 | Pattern(1, x, y) << 8 | Pattern(2, x, y)));
    documents.emplace_back("BMP", WriteBmp(bmp));
#if VANTREL_STUDIO_Jpeg
    documents.emplace_back("JPEG", WriteJpeg(RgbPattern<vantrel::testing::JpegSpec>()));
#endif
#if VANTREL_STUDIO_Png
    documents.emplace_back("PNG", WritePng(RgbPattern<vantrel::testing::PngSpec>()));
#endif
#if VANTREL_STUDIO_Gif
    vantrel::testing::GifSpec gif;
    gif.screenWidth = gif.width = kWidth;
    gif.screenHeight = gif.height = kHeight;
    for (int i = 0; i < 16; ++i)
        gif.colours.push_back({static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(i * 5), 99});
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) gif.indices.push_back(static_cast<std::uint8_t>((x + 3 * y) % 16));
    documents.emplace_back("GIF", WriteGif(gif));
#endif
#if VANTREL_STUDIO_Tiff
    auto tiff = RgbPattern<vantrel::testing::TiffSpec>();
    tiff.compression = 5;  // LZW
    documents.emplace_back("TIFF", WriteTiff(tiff));
#endif
    return documents;
}

TEST(RenderFromMemory, EveryKindRendersAndRefusesAsFromItsFile)
{
    for (const auto& [kind, bytes] : OneOfEachKind()) {
        const COutcome whole = FromMemory(bytes);
        EXPECT_EQ(whole.reason, "") << kind;
        EXPECT_EQ(whole.width, kWidth) << kind;
        EXPECT_EQ(whole, FromFile(bytes)) << kind;
        // Cut short at a spread of lengths, the last byte and the header's end included; each
        // cut is a buffer of its own size, so a read past it is the sanitizers' to catch.
        for (std::size_t length = 0; length < bytes.size(); length += 1 + bytes.size() / 23) {
            for (std::size_t cut : {length, bytes.size() - 1 - length / 97}) {
                const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<long>(cut));
                EXPECT_EQ(FromMemory(prefix), FromFile(prefix)) << kind << " cut to " << cut;
            }
        }
    }
}

}  // namespace
