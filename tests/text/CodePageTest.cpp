#include <array>

#include <gtest/gtest.h>

#include "text/CodePage.h"

namespace {

using vantrel::text::CodePage;
using vantrel::text::MakeUpper;

std::string Upper(std::string text, CodePage codePage)
{
    MakeUpper(text, codePage);
    return text;
}

TEST(CodePageUpperCase, SingleByteLettersOnly)
{
    EXPECT_EQ(Upper("destfile=a1.psd &&d&& {z}", CodePage::Cp936), "DESTFILE=A1.PSD &&D&& {Z}");
    EXPECT_EQ(Upper("abc\xE9", CodePage::Utf8), "ABC\xE9");
}

TEST(CodePageUpperCase, Cp936DoubleByteCharactersAreWholeCharacters)
{
    // Full-width a, Greek alpha, Cyrillic a, small Roman numeral one.
    EXPECT_EQ(Upper("\xA3\xE1\xA6\xC1\xA7\xD1\xA2\xA1", CodePage::Cp936), "\xA3\xC1\xA6\xA1\xA7\xA1\xA2\xF1");
    // The last of each, and the character after it: z, omega, ya, ten.
    EXPECT_EQ(Upper("\xA3\xFA\xA3\xFB\xA6\xD8\xA6\xD9\xA7\xF1\xA7\xF2\xA2\xAA\xA2\xAB", CodePage::Cp936),
              "\xA3\xDA\xA3\xFB\xA6\xB8\xA6\xD9\xA7\xC1\xA7\xF2\xA2\xFA\xA2\xAB");
    // Upper-case forms and characters without case stay as they are.
    EXPECT_EQ(Upper("\xA3\xC1\xCF\xD4\xCA\xBE", CodePage::Cp936), "\xA3\xC1\xCF\xD4\xCA\xBE");
}

TEST(CodePageUpperCase, Cp936TrailBytesAreNeverTouched)
{
    // 0x81 0x61 is one character whose trail byte happens to be 'a'.
    EXPECT_EQ(Upper("\x81\x61" "a", CodePage::Cp936), "\x81\x61" "A");
    // A lead byte at the very end stands alone.
    EXPECT_EQ(Upper("b\x81", CodePage::Cp936), "B\x81");
}

TEST(CodePageUpperCase, OtherPagesTakeOnlyTheirOwnLeadBytes)
{
    // Windows-1252 has none: "é" then "a" is two characters, where GBK would see one.
    vantrel::text::SetOtherLeadBytes({});
    EXPECT_EQ(Upper("\xE9" "a", CodePage::Other), "\xE9" "A");
    // Shift-JIS: 0xB1 is a single-byte katakana, 0x82 a lead byte whose trail stays as it is.
    std::array<bool, 256> shiftJis{};
    for (int byte = 0x81; byte <= 0x9F; ++byte) shiftJis[byte] = true;
    vantrel::text::SetOtherLeadBytes(shiftJis);
    EXPECT_EQ(Upper("\xB1" "a\x82\x61", CodePage::Other), "\xB1" "A\x82\x61");
    vantrel::text::SetOtherLeadBytes({});
}

TEST(CodePageUpperCase, Utf8FullWidthLatin)
{
    EXPECT_EQ(Upper("\xEF\xBD\x81\xEF\xBD\x9A", CodePage::Utf8), "\xEF\xBC\xA1\xEF\xBC\xBA");
    // Cut-off sequences are left alone.
    EXPECT_EQ(Upper("a\xEF\xBD", CodePage::Utf8), "A\xEF\xBD");
}

TEST(CodePageUpperCase, Utf8GreekLeavesTheFinalSigmaAlone)
{
    // Alpha to omega as CP936 has them: the final sigma, which it lacks, and the characters
    // past omega keep their case.
    EXPECT_EQ(Upper("\xCE\xB1\xCF\x82\xCF\x83\xCF\x89\xCF\x8A", CodePage::Utf8),
              "\xCE\x91\xCF\x82\xCE\xA3\xCE\xA9\xCF\x8A");
}

TEST(CodePageNames, KnownAndUnknown)
{
    EXPECT_EQ(vantrel::text::CodePageFromName("CP936"), CodePage::Cp936);
    EXPECT_EQ(vantrel::text::CodePageFromName("utf-8"), CodePage::Utf8);
    EXPECT_FALSE(vantrel::text::CodePageFromName("latin1"));
}

TEST(LastPathComponent, AfterASeparatorThatStartsACharacter)
{
    EXPECT_EQ(vantrel::text::LastPathComponent("SUB\\DIR/A.PSD", CodePage::Cp936), "A.PSD");
    EXPECT_EQ(vantrel::text::LastPathComponent("A.PSD", CodePage::Cp936), "A.PSD");
    // The trail byte of a double-byte character is never a separator.
    EXPECT_EQ(vantrel::text::LastPathComponent("SUB\\A\xD5\x5C", CodePage::Cp936), "A\xD5\x5C");
    EXPECT_EQ(vantrel::text::LastPathComponent("SAME.PSD\\", CodePage::Cp936), "");
}

}  // namespace
