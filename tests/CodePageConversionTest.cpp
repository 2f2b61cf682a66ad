#include <gtest/gtest.h>

#include "platform/posix/CodePageConversion.h"

namespace {

using vantrel::text::CodePage;

TEST(CodePageConversion, Cp936ToUtf8)
{
    EXPECT_EQ(vantrel::platform::ToUtf8("\xCF\xD4\xCA\xBE.psd", CodePage::Cp936), "\xE6\x98\xBE\xE7\xA4\xBA.psd");
    EXPECT_EQ(vantrel::platform::ToUtf8("plain", CodePage::Cp936), "plain");
}

}  // namespace
