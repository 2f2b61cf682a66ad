#include <gtest/gtest.h>

#include <cstdint>

#include "studio/io/DecodeRefusal.h"

namespace {

using vantrel::studio::io::FillMessage;

enum class TestError { None, Sides, Named };

const char* TestErrorText(TestError error)
{
    switch (error) {
    case TestError::None: return "no error";
    case TestError::Sides: return "{} x {} pixels exceed {}";
    case TestError::Named: return "layer {} \"{}\"";
    }
    return "damaged";
}

using CTestRefusal = vantrel::studio::io::CDecodeRefusal<TestError, TestErrorText>;

TEST(DecodeRefusal, ValuesFillTheTablesPatternInOrder)
{
    EXPECT_EQ(FillMessage("{} x {}", {"3", "4"}), "3 x 4");
    EXPECT_EQ(FillMessage("{}", {"a {} b"}), "a {} b") << "a detail is never filled in itself";
    EXPECT_EQ(FillMessage("{} and {}", {"only"}), "only and ") << "a missing value leaves nothing";
    EXPECT_EQ(FillMessage("{ } {", {"x"}), "{ } {") << "braces that are no placeholder stay";
}

TEST(DecodeRefusal, NumbersAreWrittenInDecimalWhateverTheirType)
{
    const CTestRefusal refusal =
        CTestRefusal::Of(TestError::Sides, std::uint32_t{4294967295u}, -7, std::uint64_t{1} << 31);
    EXPECT_EQ(refusal.Text(), "4294967295 x -7 pixels exceed 2147483648");
    EXPECT_EQ(CTestRefusal::Of(TestError::Named, 0, "Curves 1").Text(), "layer 0 \"Curves 1\"");
}

TEST(DecodeRefusal, KindsAndValuesBothDecideEquality)
{
    EXPECT_FALSE(CTestRefusal{}.Refused());
    EXPECT_TRUE(CTestRefusal::Of(TestError::Sides, 1, 2, 3).Refused());
    EXPECT_EQ(CTestRefusal::Of(TestError::Sides, 1, 2, 3), CTestRefusal::Of(TestError::Sides, 1, 2, 3));
    EXPECT_NE(CTestRefusal::Of(TestError::Sides, 1, 2, 3), CTestRefusal::Of(TestError::Sides, 1, 2, 4));
    EXPECT_NE(CTestRefusal::Of(TestError::Sides), CTestRefusal::Of(TestError::Named));
}

}  // namespace
