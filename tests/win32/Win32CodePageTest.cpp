#include "platform/win32/Win32CodePage.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace vantrel::platform;
using vantrel::text::CodePage;

TEST(Win32CodePage, ConvertsGbkAndUtf8ThroughUtf16)
{
    const std::string gbk = "\xB4\xF0\xBE\xED A";  // 答卷 A
    const std::string utf8 = "\xE7\xAD\x94\xE5\x8D\xB7 A";
    EXPECT_EQ(ToUtf16(gbk, WindowsCodePage(CodePage::Cp936)), L"\u7B54\u5377 A");
    EXPECT_EQ(ToUtf16(utf8, WindowsCodePage(CodePage::Utf8)), L"\u7B54\u5377 A");
    EXPECT_EQ(FromUtf16(L"\u7B54\u5377 A", 936), gbk);
    EXPECT_EQ(FromUtf16(ToUtf16(utf8, CP_UTF8), 936), gbk);
    EXPECT_EQ(ToUtf16("", 936), L"");
}

TEST(Win32CodePage, TheSystemCodePageBecomesTheDefault)
{
    const CodePage before = vantrel::text::ActiveCodePage();
    const auto system = SystemCodePage();
    if (GetACP() == 936) {
        EXPECT_EQ(system, CodePage::Cp936);
    } else if (GetACP() == CP_UTF8) {
        EXPECT_EQ(system, CodePage::Utf8);
    } else {
        EXPECT_FALSE(system);
    }
    vantrel::text::SetCodePage(CodePage::Utf8);
    SetEnvironmentVariableA("VANTREL_CODEPAGE", nullptr);
    _putenv("VANTREL_CODEPAGE=");
    AdoptSystemCodePage();
    EXPECT_EQ(vantrel::text::ActiveCodePage(), system.value_or(CodePage::Utf8));
    vantrel::text::SetCodePage(before);
}
