// Vector mask blocks written byte by byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "studio/psd/PsdVectorMask.h"

namespace {

using vantrel::studio::psd::CPsdVectorMask;
using vantrel::studio::psd::PathOperation;
using vantrel::studio::psd::ReadPsdVectorMask;
using vantrel::studio::psd::VectorMaskProblem;

class CBlock {
public:
    CBlock(std::uint32_t flags)
    {
        Put(3, 4);
        Put(flags, 4);
    }
    CBlock& Put(std::uint64_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return *this;
    }
    // A record: its selector, then words, then zeros to its 26 bytes.
    CBlock& Record(unsigned selector, const std::vector<std::uint32_t>& words, int wordBytes = 4)
    {
        Put(selector, 2);
        for (std::uint32_t word : words) Put(word, wordBytes);
        const int used = static_cast<int>(words.size()) * wordBytes;
        for (int i = used; i < 24; ++i) bytes.push_back(0);
        return *this;
    }
    VectorMaskProblem Read(CPsdVectorMask& mask) const { return ReadPsdVectorMask(bytes.data(), bytes.size(), mask); }
    std::vector<std::uint8_t> bytes;
};

TEST(PsdVectorMask, ReadsFlagsSubpathsAndKnotsAsFractionsOfTheCanvas)
{
    CBlock block(1 | 4);
    block.Record(6, {}).Record(8, {1}, 2);
    block.Record(0, {2, 2}, 2);  // closed, two knots, subtract
    // 0x00800000 is one half; 0xFF000000 is minus one; 0x01400000 one and a quarter.
    block.Record(1, {0x00400000, 0x00800000, 0x00800000, 0x00C00000, 0xFF000000, 0x01400000});
    block.Record(2, {0, 0, 0, 0, 0, 0});
    block.Record(3, {1, 0xFFFF}, 2);  // open, one knot, continuing the component before it
    block.Record(5, {0, 0, 0x01000000, 0x01000000, 0, 0});
    block.Put(0, 2);  // padding shorter than a record
    CPsdVectorMask mask;
    mask.density = 77;
    ASSERT_EQ(block.Read(mask), VectorMaskProblem::None);
    EXPECT_TRUE(mask.inverted);
    EXPECT_FALSE(mask.notLinked);
    EXPECT_TRUE(mask.disabled);
    EXPECT_TRUE(mask.startsFilled);
    EXPECT_EQ(mask.density, 77);  // the mask record's, left alone
    ASSERT_EQ(mask.subpaths.size(), 2u);
    EXPECT_TRUE(mask.subpaths[0].closed);
    EXPECT_EQ(mask.subpaths[0].operation, PathOperation::Subtract);
    ASSERT_EQ(mask.subpaths[0].knots.size(), 2u);
    const auto& knot = mask.subpaths[0].knots[0];
    EXPECT_DOUBLE_EQ(knot.y[0], 0.25);
    EXPECT_DOUBLE_EQ(knot.x[0], 0.5);
    EXPECT_DOUBLE_EQ(knot.y[1], 0.5);
    EXPECT_DOUBLE_EQ(knot.x[1], 0.75);
    EXPECT_DOUBLE_EQ(knot.y[2], -1.0);
    EXPECT_DOUBLE_EQ(knot.x[2], 1.25);
    EXPECT_FALSE(mask.subpaths[1].closed);
    EXPECT_TRUE(mask.subpaths[1].joinsPrevious);
    EXPECT_EQ(mask.subpaths[1].operation, PathOperation::Subtract);
    ASSERT_EQ(mask.subpaths[1].knots.size(), 1u);
    EXPECT_DOUBLE_EQ(mask.subpaths[1].knots[0].x[1], 1.0);
}

TEST(PsdVectorMask, KnotsBeyondTheirSubpathsCountBelongToNothing)
{
    CBlock block(0);
    block.Record(1, {0, 0, 0, 0, 0, 0});  // before any subpath
    block.Record(0, {1, 1}, 2);
    block.Record(1, {0, 0, 0, 0, 0, 0});
    block.Record(1, {0, 0, 0, 0, 0, 0});  // one too many
    CPsdVectorMask mask;
    ASSERT_EQ(block.Read(mask), VectorMaskProblem::None);
    ASSERT_EQ(mask.subpaths.size(), 1u);
    EXPECT_EQ(mask.subpaths[0].knots.size(), 1u);
}

TEST(PsdVectorMask, RefusesAnUnknownRecordAndACutHeader)
{
    CBlock block(0);
    block.Record(9, {});
    CPsdVectorMask mask;
    EXPECT_EQ(block.Read(mask), VectorMaskProblem::UnknownRecord);
    EXPECT_EQ(ReadPsdVectorMask(block.bytes.data(), 7, mask), VectorMaskProblem::Truncated);
}

}  // namespace
