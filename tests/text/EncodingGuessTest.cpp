#include <gtest/gtest.h>

#include "text/EncodingGuess.h"

namespace {

using vantrel::text::EncodingGuess;
using vantrel::text::GuessEncoding;

TEST(EncodingGuess, TellsUtf8FromCp936AndFromNeither)
{
    EXPECT_EQ(GuessEncoding("DESTFILE=A.PSD\r\n"), EncodingGuess::Ascii);
    EXPECT_EQ(GuessEncoding("DESTFILE=\xE6\xB5\xB7\xE6\x8A\xA5.PSD"), EncodingGuess::Utf8);  // 海报 in UTF-8
    EXPECT_EQ(GuessEncoding("DESTFILE=\xBA\xA3\xB1\xA8.PSD"), EncodingGuess::Cp936);          // 海报 in GBK
    EXPECT_EQ(GuessEncoding("\xF0\x9F\x98\x80"), EncodingGuess::Utf8);
    // Overlong forms, surrogates and cut sequences are not UTF-8; a lone lead byte is not GBK.
    EXPECT_EQ(GuessEncoding("\xC0\x80"), EncodingGuess::Cp936);
    EXPECT_EQ(GuessEncoding("\xED\xA0\xB0\xA1"), EncodingGuess::Cp936);
    EXPECT_EQ(GuessEncoding("A\xE6\xB5"), EncodingGuess::Cp936);
    EXPECT_EQ(GuessEncoding("A\xBA"), EncodingGuess::Unknown);
    EXPECT_EQ(GuessEncoding("\xFF\xFE"), EncodingGuess::Unknown);
    EXPECT_EQ(GuessEncoding("\x80"), EncodingGuess::Unknown);
}

}  // namespace
