#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "studio/io/DocumentFile.h"
#include "ScratchFile.h"

namespace {

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::io::CFileCursor;
using vantrel::testing::CScratchFile;

std::vector<std::uint8_t> Pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// Every test below runs on both sources, a file and bytes in memory: the decoders above
// cannot tell them apart, so neither may differ in a byte it hands out or a read it refuses.
class DocumentSource : public ::testing::TestWithParam<bool> {
protected:
    CDocumentFile& Open(const std::vector<std::uint8_t>& bytes)
    {
        bytes_ = bytes;
        if (GetParam()) {
            file_ = std::make_unique<CDocumentFile>(std::span<const std::uint8_t>(bytes_));
        } else {
            scratch_.emplace(bytes_);
            file_ = std::make_unique<CDocumentFile>(scratch_->Path());
        }
        return *file_;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::optional<CScratchFile> scratch_;
    std::unique_ptr<CDocumentFile> file_;
};

INSTANTIATE_TEST_SUITE_P(FileAndMemory, DocumentSource, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Memory" : "File"; });

TEST(DocumentFile, OpensOnlyRegularFiles)
{
    EXPECT_FALSE(CDocumentFile("/nonexistent/vantrel/file.psd").IsOpen());
    EXPECT_FALSE(CDocumentFile(std::filesystem::temp_directory_path().string()).IsOpen());
}

TEST_P(DocumentSource, AnEmptyDocumentIsOpenAndHasNothingToRead)
{
    CDocumentFile& file = Open({});
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 0u);
    std::uint8_t got = 0;
    EXPECT_TRUE(file.ReadAt(0, &got, 0));
    EXPECT_FALSE(file.ReadAt(0, &got, 1));
}

TEST_P(DocumentSource, ReadsAtOffsetsWithinTheDocumentOnly)
{
    const auto bytes = Pattern(1000);
    CDocumentFile& file = Open(bytes);
    ASSERT_EQ(file.Size(), 1000u);
    std::uint8_t got[10] = {};
    ASSERT_TRUE(file.ReadAt(990, got, 10));
    EXPECT_TRUE(std::equal(got, got + 10, bytes.begin() + 990));
    ASSERT_TRUE(file.ReadAt(0, got, 3));
    EXPECT_TRUE(std::equal(got, got + 3, bytes.begin()));
    EXPECT_FALSE(file.ReadAt(991, got, 10));
    EXPECT_FALSE(file.ReadAt(~std::uint64_t{0} - 2, got, 10));
    EXPECT_FALSE(file.ReadAt(1001, got, 0));
    EXPECT_TRUE(file.ReadAt(1000, got, 0));
}

TEST_P(DocumentSource, ACursorTakesAcrossChunkBoundariesAndStopsAtTheEnd)
{
    const std::size_t size = CFileCursor::kChunkBytes * 2 + 12345;
    const auto bytes = Pattern(size);
    CDocumentFile& file = Open(bytes);
    CFileCursor cursor(file, 3);
    std::size_t at = 3;
    // Odd-sized takes and skips so that takes straddle every refill.
    for (std::size_t step = 1; at + step <= size; step = step * 3 % 70001 + 1) {
        const std::uint8_t* taken = cursor.Take(step);
        ASSERT_NE(taken, nullptr) << "at " << at;
        ASSERT_EQ(taken[0], bytes[at]);
        ASSERT_EQ(taken[step - 1], bytes[at + step - 1]);
        at += step;
        if (step % 5 == 0 && at + step <= size) {
            ASSERT_TRUE(cursor.Skip(step));
            at += step;
        }
        ASSERT_EQ(cursor.Position(), at);
    }
    EXPECT_EQ(cursor.Take(size - at + 1), nullptr);
    EXPECT_FALSE(cursor.Skip(size));
    EXPECT_EQ(cursor.Take(CFileCursor::kChunkBytes + 1), nullptr);
}

TEST_P(DocumentSource, ACursorPastTheEndTakesNothing)
{
    CDocumentFile& file = Open(Pattern(10));
    CFileCursor cursor(file, 50);
    EXPECT_EQ(cursor.Take(1), nullptr);
    EXPECT_FALSE(cursor.Skip(1));
}

TEST_P(DocumentSource, ALookaheadCursorHandsOutItsRegionInOrderAndStopsAtItsEnd)
{
    const auto bytes = Pattern(1000);
    CDocumentFile& file = Open(bytes);
    std::vector<std::uint8_t> overflow;
    auto region = CFileCursor::Lookahead(file, 100, 900, 64);
    std::uint64_t at = 100;
    // Takes that straddle the lookahead, one longer than it, and a skip across a refill.
    for (std::size_t count : {10u, 50u, 30u, 200u, 64u, 1u}) {
        const std::uint8_t* got = region.Take(count, overflow);
        ASSERT_NE(got, nullptr) << count;
        EXPECT_TRUE(std::equal(got, got + count, bytes.begin() + static_cast<long>(at))) << count;
        at += count;
    }
    ASSERT_TRUE(region.Skip(40));
    at += 40;
    EXPECT_EQ(region.Remaining(), 900 - at);
    EXPECT_EQ(*region.Take(1, overflow), bytes[at]);
    EXPECT_EQ(region.Take(900 - at, overflow), nullptr);  // one byte past the region
    EXPECT_FALSE(region.Skip(900 - at));
    auto cut = CFileCursor::Lookahead(file, 990, 1100, 64);  // a region the file ends inside
    EXPECT_EQ(cut.Take(20, overflow), nullptr);
}

}  // namespace
