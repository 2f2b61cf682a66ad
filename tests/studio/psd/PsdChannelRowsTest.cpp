#include <gtest/gtest.h>

#include <span>

#include "studio/psd/PsdChannelRows.h"
#include "PsdWriter.h"
#include "RefusalPrinting.h"

using vantrel::studio::psd::ReadPsdLayout;

namespace {

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::psd::CPsdChannelRows;
using vantrel::studio::psd::CPsdLayout;
using vantrel::studio::psd::CPsdRefusal;
using vantrel::studio::psd::PsdError;
using vantrel::testing::PsdSpec;
using vantrel::testing::WritePsd;

// Where the composite's count table starts in a document written with empty sections.
constexpr std::size_t kImageData = 26 + 3 * 4 + 2;

int Sample(int channel, int x, int y) { return (channel * 70 + x * 3 + y * 11) % 256; }

PsdSpec FourChannels(bool rle, int width = 300, int height = 4)
{
    PsdSpec psd{.width = width, .height = height, .channels = 4, .rle = rle};
    vantrel::testing::FillPlanes(psd, [](int c, int x, int y) { return x > 200 && x < 260 ? 5 : Sample(c, x, y); });
    return psd;
}

const CPsdRefusal kAccepted;

// Opens the first channelCount channels and reads every row, checking them against the
// writer's planes; returns the first refusal, or kAccepted.
CPsdRefusal ReadAll(const std::vector<std::uint8_t>& bytes, const PsdSpec& psd, int channelCount)
{
    CDocumentFile file(std::span{bytes});
    CPsdLayout layout;
    CPsdRefusal refusal;
    if (!ReadPsdLayout(file, layout, refusal)) return refusal;
    CPsdChannelRows rows;
    if (!rows.Open(file, layout, channelCount, refusal)) return refusal;
    const std::size_t rowBytes = vantrel::testing::RowBytes(psd);
    EXPECT_EQ(rows.RowBytes(), rowBytes);
    for (int y = 0; y < psd.height; ++y) {
        if (!rows.NextRow(refusal)) return refusal;
        for (int c = 0; c < channelCount; ++c) {
            const std::uint8_t* expected = psd.planes.data() + (static_cast<std::size_t>(c) * psd.height + y) * rowBytes;
            EXPECT_TRUE(std::equal(expected, expected + rowBytes, rows.Rows()[c])) << "row " << y << " channel " << c;
        }
    }
    EXPECT_FALSE(rows.NextRow(refusal)) << "a row past the last";
    EXPECT_EQ(refusal.kind, PsdError::ReadPastLastRow) << refusal.Text();
    return kAccepted;
}

TEST(PsdChannelRows, ReadsChannelsInStepForBothStorages)
{
    for (bool rle : {false, true}) {
        const PsdSpec psd = FourChannels(rle);
        EXPECT_EQ(ReadAll(WritePsd(psd), psd, 3), kAccepted) << (rle ? "PackBits" : "raw");
        EXPECT_EQ(ReadAll(WritePsd(psd), psd, 4), kAccepted) << (rle ? "PackBits" : "raw");
    }
}

TEST(PsdChannelRows, WidestRowsAcrossManyChunkRefills)
{
    PsdSpec psd{.width = 30000, .height = 40, .rle = true};
    vantrel::testing::FillPlanes(psd, [](int c, int x, int y) { return (x * 13 + y * c) % 251; });
    EXPECT_EQ(ReadAll(WritePsd(psd), psd, 3), kAccepted);
    psd.rle = false;
    EXPECT_EQ(ReadAll(WritePsd(psd), psd, 3), kAccepted);
}

TEST(PsdChannelRows, RefusesMissingDataEvenInChannelsNotDrawn)
{
    for (bool rle : {false, true}) {
        const PsdSpec psd = FourChannels(rle);
        auto bytes = WritePsd(psd);
        bytes.pop_back();  // the last byte of the fourth channel
        EXPECT_EQ(ReadAll(bytes, psd, 3), CPsdRefusal::Of(PsdError::TruncatedImageData)) << (rle ? "PackBits" : "raw");
    }
}

TEST(PsdChannelRows, RefusesCountTablesThatPointPastTheEnd)
{
    const PsdSpec psd = FourChannels(true);
    auto bytes = WritePsd(psd);
    // The table alone reaching past the end of the file.
    auto cut = bytes;
    cut.resize(kImageData + 2 * 4 * 4 - 1);
    EXPECT_EQ(ReadAll(cut, psd, 3), CPsdRefusal::Of(PsdError::TruncatedImageData));
    // One count grown by the file's whole length.
    auto grown = bytes;
    grown[kImageData + 2 * 13] = 0xFF;
    EXPECT_EQ(ReadAll(grown, psd, 3), CPsdRefusal::Of(PsdError::TruncatedImageData));
}

TEST(PsdChannelRows, RefusesRowsThatUnpackShortOrLong)
{
    PsdSpec psd = FourChannels(true, 6, 2);
    psd.planes.assign(psd.planes.size(), 9);  // every row packs to {0xFB, 9}
    const auto bytes = WritePsd(psd);
    ASSERT_EQ(bytes.size(), kImageData + 2 * 8 + 2 * 8);
    const std::size_t firstRow = kImageData + 2 * 8;
    auto patched = bytes;
    patched[firstRow + 2 * 3] = 0xFC;  // channel 1, row 1 unpacks to 5 bytes
    EXPECT_EQ(ReadAll(patched, psd, 3), CPsdRefusal::Of(PsdError::CorruptPackBits, 1, 1));
    patched = bytes;
    patched[firstRow + 2 * 4] = 0xFA;  // channel 2, row 0 unpacks to 7 bytes
    EXPECT_EQ(ReadAll(patched, psd, 3), CPsdRefusal::Of(PsdError::CorruptPackBits, 0, 2));
    patched = bytes;
    patched[firstRow + 2 * 6] = 0xFA;  // the undrawn fourth channel is never unpacked
    EXPECT_EQ(ReadAll(patched, psd, 3), kAccepted);
}

TEST(PsdChannelRows, ShiftedCountsFailTheRowTheyCorrupt)
{
    PsdSpec psd = FourChannels(true, 6, 2);
    psd.planes.assign(psd.planes.size(), 9);
    auto bytes = WritePsd(psd);
    // Row 0 of channel 0 claims three bytes, row 1 one: the total still fits the file, but
    // the rows no longer line up with their runs.
    bytes[kImageData + 1] = 3;
    bytes[kImageData + 3] = 1;
    EXPECT_EQ(ReadAll(bytes, psd, 3), CPsdRefusal::Of(PsdError::CorruptPackBits, 0, 0));
}

}  // namespace
