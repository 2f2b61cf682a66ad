#include <gtest/gtest.h>

#include <random>

#include "studio/psd/PackBits.h"
#include "PsdWriter.h"

namespace {

using vantrel::studio::psd::UnpackBitsRow;

// Unpacks into a buffer with guard bytes behind the row, so that a write past the row shows.
bool Unpack(const std::vector<std::uint8_t>& packed, std::vector<std::uint8_t>& row, std::size_t rowSize)
{
    constexpr std::uint8_t kGuard = 0xA5;
    std::vector<std::uint8_t> buffer(rowSize + 256, kGuard);
    const bool ok = UnpackBitsRow(packed.data(), packed.size(), buffer.data(), rowSize);
    for (std::size_t i = rowSize; i < buffer.size(); ++i)
        if (buffer[i] != kGuard) ADD_FAILURE() << "wrote past the row at " << i;
    row.assign(buffer.begin(), buffer.begin() + static_cast<long>(rowSize));
    return ok;
}

TEST(PackBits, UnpacksWhatAWriterPacked)
{
    std::mt19937 random(7);
    for (std::size_t length : {1u, 2u, 3u, 127u, 128u, 129u, 130u, 255u, 256u, 1000u, 4000u}) {
        std::vector<std::uint8_t> row(length);
        // Runs of every length mixed with literal stretches, including ones at the row's end.
        for (std::size_t i = 0; i < length;) {
            const std::size_t run = 1 + random() % 200;
            const auto value = static_cast<std::uint8_t>(random());
            const bool literal = random() % 2 == 0;
            for (std::size_t k = 0; k < run && i < length; ++k, ++i)
                row[i] = literal ? static_cast<std::uint8_t>(random()) : value;
        }
        const auto packed = vantrel::testing::PackBitsRow(row.data(), row.size());
        std::vector<std::uint8_t> unpacked;
        EXPECT_TRUE(Unpack(packed, unpacked, length)) << "length " << length;
        EXPECT_EQ(unpacked, row) << "length " << length;
    }
}

TEST(PackBits, HandCodedRunsAndTheNoOpHeader)
{
    std::vector<std::uint8_t> row;
    // 3 literals, a no-op, a run of 4, a run of 128 and a trailing no-op.
    const std::vector<std::uint8_t> packed = {2, 10, 20, 30, 0x80, 0xFD, 7, 0x81, 9, 0x80};
    ASSERT_TRUE(Unpack(packed, row, 135));
    EXPECT_EQ(row[0], 10);
    EXPECT_EQ(row[2], 30);
    EXPECT_EQ(std::vector<std::uint8_t>(row.begin() + 3, row.begin() + 7), std::vector<std::uint8_t>(4, 7));
    EXPECT_EQ(std::vector<std::uint8_t>(row.begin() + 7, row.end()), std::vector<std::uint8_t>(128, 9));
}

TEST(PackBits, RefusesRowsOfTheWrongLengthOrCutShort)
{
    std::vector<std::uint8_t> row;
    EXPECT_FALSE(Unpack({2, 1, 2, 3}, row, 4)) << "decodes short";
    EXPECT_FALSE(Unpack({}, row, 1)) << "nothing at all";
    EXPECT_FALSE(Unpack({2, 1, 2, 3, 0, 4}, row, 3)) << "literal past the row";
    EXPECT_FALSE(Unpack({0xFE, 5}, row, 2)) << "run past the row";
    EXPECT_FALSE(Unpack({0x81, 5}, row, 127)) << "128-byte run into a shorter row";
    EXPECT_FALSE(Unpack({5, 1, 2}, row, 6)) << "literal cut short by the packed bytes";
    EXPECT_FALSE(Unpack({1, 1, 2, 0xFE}, row, 5)) << "run header without its value";
    EXPECT_TRUE(Unpack({}, row, 0)) << "an empty row is empty";
}

}  // namespace
