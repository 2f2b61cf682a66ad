#include <gtest/gtest.h>

#include "platform/posix/CodePageConversion.h"

namespace {

using vantrel::text::CodePage;

TEST(CodePageConversion, Cp936ToUtf8)
{
    EXPECT_EQ(vantrel::platform::ToUtf8("\xCF\xD4\xCA\xBE.psd", CodePage::Cp936), "\xE6\x98\xBE\xE7\xA4\xBA.psd");
    EXPECT_EQ(vantrel::platform::ToUtf8("plain", CodePage::Cp936), "plain");
}

// Upper-casing in UTF-8 changes exactly the characters that upper-casing in CP936 changes,
// as iconv converts them, so a name upper-cased by the key matches the file's own name.
TEST(CodePageConversion, Utf8UpperCasingMatchesCp936)
{
    for (int lead = 0xA1; lead <= 0xA7; ++lead)
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            std::string utf8 = vantrel::platform::ToUtf8(gbk, CodePage::Cp936);
            if (utf8 == gbk) continue;  // not a character
            vantrel::text::MakeUpper(gbk, CodePage::Cp936);
            vantrel::text::MakeUpper(utf8, CodePage::Utf8);
            EXPECT_EQ(vantrel::platform::ToUtf8(gbk, CodePage::Cp936), utf8) << std::hex << lead << " " << trail;
        }
    std::string malformed = "\xCE\x31";  // a lead byte before ASCII is left alone
    vantrel::text::MakeUpper(malformed, CodePage::Utf8);
    EXPECT_EQ(malformed, "\xCE\x31");
}

}  // namespace
