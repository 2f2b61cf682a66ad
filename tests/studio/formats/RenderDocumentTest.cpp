#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "studio/formats/FileKinds.h"
#include "studio/formats/RenderDocument.h"
#include "PsdWriter.h"

namespace {

using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::formats::RenderDocument;
using vantrel::testing::FillPlanes;
using vantrel::testing::PsdSpec;
using vantrel::testing::WritePsd;

std::unique_ptr<CRenderedDocument> Render(const std::vector<std::uint8_t>& bytes, int previewWidth,
                                          int previewHeight, std::string& reason)
{
    return vantrel::studio::formats::RenderDocumentBytes(bytes, previewWidth, previewHeight, reason);
}

// Renders at the document's own size, where area averaging is the identity, so the preview
// shows the colour conversion alone.
std::vector<std::uint8_t> RenderOneToOne(const PsdSpec& psd)
{
    std::string reason;
    auto document = Render(WritePsd(psd), psd.width, psd.height, reason);
    EXPECT_NE(document, nullptr) << reason;
    return document ? document->previewRgb : std::vector<std::uint8_t>{};
}

// 0 raw, 1 PackBits, 2 ZIP, 3 ZIP with prediction.
class EveryCompression : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
#ifndef VANTREL_HAVE_ZLIB
        if (GetParam() >= 2) GTEST_SKIP() << "this build has no zlib";
#endif
    }
    PsdSpec Document(int mode, int channels, int width, int height)
    {
        PsdSpec psd;
        psd.colorMode = mode;
        psd.channels = channels;
        psd.width = width;
        psd.height = height;
        psd.depth = mode == 0 ? 1 : 8;
        psd.rle = GetParam() == 1;
        psd.zip = GetParam() >= 2;
        psd.prediction = GetParam() == 3;
        return psd;
    }
};

TEST_P(EveryCompression, RgbShowsStoredValuesAndIgnoresASavedSelection)
{
    PsdSpec psd = Document(3, 4, 5, 3);
    psd.imageResources = vantrel::testing::AlphaNamesResource({"Alpha 1"});
    FillPlanes(psd, [](int c, int x, int y) { return c == 3 ? 0 : 40 * c + 10 * x + y; });
    const auto rgb = RenderOneToOne(psd);
    ASSERT_EQ(rgb.size(), 5u * 3 * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(rgb[(y * 5 + x) * 3 + c], 40 * c + 10 * x + y) << x << "," << y << " c" << c;
}

TEST_P(EveryCompression, GrayscaleIsRepeatedIntoEachComponent)
{
    PsdSpec psd = Document(1, 2, 4, 2);
    FillPlanes(psd, [](int c, int x, int y) { return c == 0 ? 60 * x + y : 255; });
    const auto rgb = RenderOneToOne(psd);
    ASSERT_EQ(rgb.size(), 4u * 2 * 3);
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(rgb[i * 3 + c], 60 * (i % 4) + i / 4);
}

TEST_P(EveryCompression, IndexedLooksUpThePalette)
{
    PsdSpec psd = Document(2, 1, 3, 2);
    psd.colorModeData.resize(768);
    for (int i = 0; i < 256; ++i) {
        psd.colorModeData[i] = static_cast<std::uint8_t>(255 - i);
        psd.colorModeData[256 + i] = static_cast<std::uint8_t>(i / 2);
        psd.colorModeData[512 + i] = static_cast<std::uint8_t>(i * 7);
    }
    FillPlanes(psd, [](int, int x, int y) { return 100 * x + 3 * y; });
    const auto rgb = RenderOneToOne(psd);
    ASSERT_EQ(rgb.size(), 3u * 2 * 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const int index = 100 * x + 3 * y;
            const std::uint8_t* pixel = &rgb[(y * 3 + x) * 3];
            EXPECT_EQ(pixel[0], 255 - index);
            EXPECT_EQ(pixel[1], index / 2);
            EXPECT_EQ(pixel[2], (index * 7) & 0xFF);
        }
}

TEST_P(EveryCompression, CmykMultipliesInvertedInksWithRounding)
{
    PsdSpec psd = Document(4, 5, 4, 1);
    // Per pixel: C', M', Y', K' as stored (255 = no ink); the fifth channel is a spot plate.
    psd.imageResources = vantrel::testing::AlphaNamesResource({"PANTONE 286 C"});
    const int stored[4][4] = {{255, 0, 128, 255}, {1, 127, 128, 200}, {255, 255, 255, 128}, {90, 0, 33, 0}};
    FillPlanes(psd, [&](int c, int x, int) { return c == 4 ? 0 : stored[x][c]; });
    const auto rgb = RenderOneToOne(psd);
    ASSERT_EQ(rgb.size(), 4u * 3);
    const int expected[4][3] = {{255, 0, 128}, {1, 100, 100}, {128, 128, 128}, {0, 0, 0}};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(rgb[x * 3 + c], expected[x][c]) << "pixel " << x << " c" << c;
}

TEST_P(EveryCompression, BitmapSetBitsAreBlack)
{
    if (GetParam() == 3) GTEST_SKIP() << "prediction is not defined for 1-bit data";
    PsdSpec psd = Document(0, 1, 11, 2);
    psd.planes = {0b10110000, 0b01111111, 0b00000000, 0b00100000};  // row 1 padding bits set
    const auto rgb = RenderOneToOne(psd);
    ASSERT_EQ(rgb.size(), 11u * 2 * 3);
    const std::string expected = "BWBBWWWWWBB" "WWWWWWWWWWB";
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(rgb[i * 3], expected[i] == 'B' ? 0 : 255) << "pixel " << i;
}

std::string CompressionName(const ::testing::TestParamInfo<int>& info)
{
    static const char* const kNames[] = {"Raw", "PackBits", "Zip", "ZipPrediction"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(AllFour, EveryCompression, ::testing::Values(0, 1, 2, 3), CompressionName);

TEST(StudioDocument, ReportsTheDocumentAndScalesToThePreview)
{
    PsdSpec psd{.width = 400, .height = 320, .rle = true};
    // 2 x 2 blocks of one colour each shrink to exactly that colour.
    FillPlanes(psd, [](int c, int x, int y) { return (x / 2 * 7 + y / 2 * 13 + c * 50) % 256; });
    std::string reason;
    auto document = Render(WritePsd(psd), 200, 160, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->width, 400);
    EXPECT_EQ(document->height, 320);
    EXPECT_EQ(document->colorMode, 3);
    EXPECT_EQ(document->modeName, "RGB");
    EXPECT_EQ(document->previewWidth, 200);
    EXPECT_EQ(document->previewHeight, 160);
    ASSERT_EQ(document->previewRgb.size(), 200u * 160 * 3);
    for (int y = 0; y < 160; y += 7)
        for (int x = 0; x < 200; x += 3)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(document->previewRgb[(y * 200 + x) * 3 + c], (x * 7 + y * 13 + c * 50) % 256);
}

TEST(StudioDocument, ABitmapAveragesToGrey)
{
    PsdSpec psd{.width = 16, .height = 2, .channels = 1, .depth = 1, .colorMode = 0};
    psd.planes = {0xAA, 0xAA, 0x55, 0x55};  // a checkerboard
    std::string reason;
    auto document = Render(WritePsd(psd), 1, 1, reason);
    ASSERT_NE(document, nullptr) << reason;
    EXPECT_EQ(document->modeName, "Bitmap");
    EXPECT_EQ(document->previewRgb, (std::vector<std::uint8_t>{128, 128, 128}));  // 127.5 rounds up
}

TEST(StudioDocument, RefusesWhatItCannotOpen)
{
    std::string reason;
    EXPECT_EQ(RenderDocument("/nonexistent/vantrel/file.psd", 200, 160, reason), nullptr);
    EXPECT_FALSE(reason.empty());
    reason.clear();
    EXPECT_EQ(RenderDocument(std::filesystem::temp_directory_path().string(), 200, 160, reason), nullptr);
    EXPECT_FALSE(reason.empty());

    PsdSpec psd;
    const auto bytes = WritePsd(psd);
    for (auto [w, h] : {std::pair{0, 160}, {200, 0}, {-1, 5}, {30001, 1}}) {
        reason.clear();
        EXPECT_EQ(Render(bytes, w, h, reason), nullptr);
        EXPECT_NE(reason.find("preview size"), std::string::npos) << reason;
    }
    reason.clear();
    EXPECT_EQ(Render({'8', 'B', 'P', 'X', 0, 0}, 200, 160, reason), nullptr);
    EXPECT_EQ(reason, "not " + vantrel::studio::formats::KnownFileKindsText());
    // Its signature alone makes a file a PSD, which then ends too soon; a byte less does not.
    const std::uint8_t signature[] = {'8', 'B', 'P', 'S'};
    vantrel::studio::io::CDocumentFile whole(signature);
    vantrel::studio::io::CDocumentFile cut(std::span(signature, 3));
    EXPECT_EQ(vantrel::studio::formats::SniffFileKind(whole), &vantrel::studio::formats::kPsdFileKind);
    EXPECT_EQ(vantrel::studio::formats::SniffFileKind(cut), nullptr);
    // "a PSD, JPEG, PNG, GIF, TIFF or BMP file" with every codec, "a PSD or BMP file" with none.
    EXPECT_EQ(vantrel::studio::formats::KnownFileKindsText().rfind("a PSD", 0), 0u);
    EXPECT_NE(vantrel::studio::formats::KnownFileKindsText().find(" or BMP file"), std::string::npos);
}

TEST(StudioDocument, AHugeHeaderWithoutItsDataIsRefusedUpFront)
{
    for (bool rle : {false, true}) {
        PsdSpec psd;
        psd.rle = rle;
        auto bytes = WritePsd(psd);
        // Claim the largest document there can be: 30000 x 30000 with 56 channels.
        bytes[12] = 0;
        bytes[13] = 56;
        for (std::size_t at : {14u, 18u}) {
            bytes[at] = 0;
            bytes[at + 1] = 0;
            bytes[at + 2] = 0x75;
            bytes[at + 3] = 0x30;
        }
        std::string reason;
        EXPECT_EQ(Render(bytes, 200, 160, reason), nullptr);
        EXPECT_EQ(reason, "truncated image data");
    }
}

TEST(StudioDocument, EveryTruncationFailsCleanly)
{
    for (bool rle : {false, true}) {
        PsdSpec psd;
        psd.width = 9;
        psd.height = 4;
        psd.channels = 4;
        psd.colorMode = 4;
        psd.rle = rle;
        psd.imageResources = {'8', 'B', 'I', 'M', 0, 1, 0, 0, 0, 0, 0, 0};
        psd.layerAndMask = {0, 0, 0, 0};
        FillPlanes(psd, [](int c, int x, int y) { return x < 5 ? 9 : c * 31 + x * y; });
        const auto bytes = WritePsd(psd);
        std::string reason;
        ASSERT_NE(Render(bytes, 3, 2, reason), nullptr) << reason;
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            reason.clear();
            const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(length));
            EXPECT_EQ(Render(prefix, 3, 2, reason), nullptr) << "prefix " << length;
            EXPECT_FALSE(reason.empty()) << "prefix " << length;
            EXPECT_EQ(reason.find('\n'), std::string::npos);
        }
    }
}

// The fixtures corpus: real documents from many writers, damaged and fuzzed ones included.
struct CManifestRow {
    std::map<std::string, std::string> fields;
    const std::string& operator[](const std::string& name) const { return fields.at(name); }
};

std::vector<CManifestRow> ReadManifest(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::vector<std::string> names;
    std::vector<CManifestRow> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream cellStream(line);
        for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
        if (names.empty()) {
            names = cells;
            continue;
        }
        CManifestRow row;
        for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i) row.fields[names[i]] = cells[i];
        for (std::size_t i = cells.size(); i < names.size(); ++i) row.fields[names[i]] = "";
        rows.push_back(row);
    }
    return rows;
}

int Number(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(text);
}

TEST(StudioDocumentCorpus, RendersEveryCompleteCompositeAndRefusesTheRestCleanly)
{
    const std::string folder = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd";
    if (!std::filesystem::exists(folder + "/MANIFEST.tsv")) GTEST_SKIP() << "no fixtures at " << folder;
    int rendered = 0;
    int refused = 0;
    for (const CManifestRow& row : ReadManifest(folder + "/MANIFEST.tsv")) {
        const std::string path = folder + "/" + row["file"];
        std::string reason;
        auto document = RenderDocument(path, 200, 160, reason);
        if (document) {
            ++rendered;
            EXPECT_EQ(std::to_string(document->width), row["width"]) << path;
            EXPECT_EQ(std::to_string(document->height), row["height"]) << path;
            EXPECT_EQ(document->previewRgb.size(), 200u * 160 * 3);
        } else {
            ++refused;
            EXPECT_FALSE(reason.empty()) << path;
        }
        const int mode = Number(row["mode"]);
        const int depth = Number(row["depth"]);
        const bool deep = depth == 16 || depth == 32;
        const bool modeAndDepth = (mode == 0 && depth == 1) || (mode == 2 && depth == 8) ||
                                  ((mode == 1 || mode == 3) && (depth == 8 || deep)) ||
                                  ((mode == 4 || mode == 7 || mode == 8 || mode == 9) && (depth == 8 || depth == 16));
        const bool readable = row["sig"] == "8BPS" && (row["ver"] == "1" || row["ver"] == "2") && modeAndDepth;
#ifdef VANTREL_HAVE_ZLIB
        constexpr int kLastReadableCompression = 3;
#else
        constexpr int kLastReadableCompression = 1;  // ZIP needs zlib
#endif
        const bool complete = row["comp_check"] == "ok" && row["error"] == "-" && Number(row["comp"]) >= 0 &&
                              Number(row["comp"]) <= kLastReadableCompression;
        if (!readable) {
            EXPECT_EQ(document, nullptr) << path;
        } else if (complete) {
            EXPECT_NE(document, nullptr) << path << ": " << reason;
        }
        // A writer that stores a single-value placeholder composite must show one flat colour,
        // unless the layers are drawn in its place.
        if (document && row["comp_uniform"] == "1" && !document->fromLayers) {
            const auto& rgb = document->previewRgb;
            for (std::size_t i = 3; i < rgb.size(); ++i) ASSERT_EQ(rgb[i], rgb[i % 3]) << path << " sample " << i;
        }
    }
    EXPECT_GT(rendered, 0);
    EXPECT_GT(refused, 0);
}

// Two writers that leave colour under transparent pixels: pillow's rgba.psd (red everywhere,
// two thirds of it transparent, with a negative layer count) and MediBang's (an extra channel
// it does not describe, with a positive layer count). Both show white where they are
// transparent, as the editor's own matted documents do: MediBang's 64 x 64 image is transparent
// in 208 pixels, of which it stores white in none (it stores white in 28 others).
TEST(StudioDocumentCorpus, TransparentDocumentsShowWhiteWhereTheyAreTransparent)
{
    const std::string folder = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd";
    if (!std::filesystem::exists(folder + "/MANIFEST.tsv")) GTEST_SKIP() << "no fixtures at " << folder;
    for (const char* file : {"pillow/Tests/images/rgba.psd", "oov-psd/testdata/rgb8bit_nobg_transparent_medibang.psd"}) {
        std::string reason;
        auto document = RenderDocument(folder + "/" + file, 200, 160, reason);
        ASSERT_NE(document, nullptr) << file << ": " << reason;
        int white = 0;
        const auto& rgb = document->previewRgb;
        for (std::size_t i = 0; i < rgb.size(); i += 3) white += rgb[i] == 255 && rgb[i + 1] == 255 && rgb[i + 2] == 255;
        EXPECT_GT(white, 200 * 160 * 200 / (64 * 64)) << file;
    }
}

}  // namespace
