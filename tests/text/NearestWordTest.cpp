#include <gtest/gtest.h>

#include "text/NearestWord.h"

namespace {

using vantrel::text::NearestWord;

TEST(NearestWord, FindsTheKeywordATypoMeantAndNothingForOtherWords)
{
    const std::vector<std::string_view> names = {"EFFECT", "EFFECTS", "PARTEFFECT", "PARTEFFECTS"};
    EXPECT_EQ(NearestWord("PARTEFECT", names), "PARTEFFECT");
    EXPECT_EQ(NearestWord("EFEFCT", names), "EFFECT");          // two neighbours swapped: one edit
    EXPECT_EQ(NearestWord("RBG", {"RGB", "CMYK"}), "RGB");
    EXPECT_EQ(NearestWord("EFFECTS", names), "");               // no typo
    EXPECT_EQ(NearestWord("AFEECTZ", names), "");               // three edits away
    EXPECT_EQ(NearestWord("AB", {"RGB"}), "");                  // as many edits as letters
    EXPECT_EQ(NearestWord(std::string(100, 'D'), {"DESTFILE"}), "");
}

}  // namespace
