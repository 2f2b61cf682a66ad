#include "platform/win32/Win32CodePage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "vantrel/vantrel.h"

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

TEST(Win32CodePage, TheSystemCodePageBecomesTheOnlyOne)
{
    const CodePage before = vantrel::text::ActiveCodePage();
    const CodePage system = SystemCodePage();
    EXPECT_EQ(system, GetACP() == 936 ? CodePage::Cp936 : GetACP() == CP_UTF8 ? CodePage::Utf8 : CodePage::Other);
    // Another page asked for is refused: the conversions would not follow it.
    const char* other = system == CodePage::Cp936 ? "utf-8" : "cp936";
    SetEnvironmentVariableA("VANTREL_CODEPAGE", other);
    _putenv_s("VANTREL_CODEPAGE", other);
    vantrel::text::SetCodePage(system == CodePage::Cp936 ? CodePage::Utf8 : CodePage::Cp936);
    AdoptSystemCodePage();
    EXPECT_EQ(vantrel::text::ActiveCodePage(), system);
    EXPECT_EQ(vantrel_set_codepage(other), -1);
    EXPECT_EQ(vantrel::text::ActiveCodePage(), system);
    EXPECT_EQ(vantrel_set_codepage(system == CodePage::Cp936 ? "gbk" : "utf-8"), system == CodePage::Other ? -1 : 0);
    SetEnvironmentVariableA("VANTREL_CODEPAGE", nullptr);
    _putenv_s("VANTREL_CODEPAGE", "");
    vantrel::text::SetCodePage(before);
}
