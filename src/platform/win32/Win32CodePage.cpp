#include "platform/win32/Win32CodePage.h"

#include <windows.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <optional>

namespace vantrel::platform {

unsigned WindowsCodePage(text::CodePage codePage)
{
    switch (codePage) {
    case text::CodePage::Cp936: return 936;
    case text::CodePage::Utf8: return CP_UTF8;
    case text::CodePage::Other: break;
    }
    return CP_ACP;
}

text::CodePage SystemCodePage()
{
    const UINT system = GetACP();
    if (system == 936) return text::CodePage::Cp936;
    if (system == CP_UTF8) return text::CodePage::Utf8;
    std::array<bool, 256> leadBytes{};
    for (unsigned byte = 0; byte < leadBytes.size(); ++byte)
        leadBytes[byte] = IsDBCSLeadByteEx(system, static_cast<BYTE>(byte)) != FALSE;
    text::SetOtherLeadBytes(leadBytes);
    return text::CodePage::Other;
}

void AdoptSystemCodePage()
{
    const text::CodePage system = SystemCodePage();
    const char* asked = std::getenv("VANTREL_CODEPAGE");
    const std::optional<text::CodePage> chosen = asked ? text::CodePageFromName(asked) : std::nullopt;
    if (chosen && *chosen != system) {
        const std::string line = std::string("vantrel: VANTREL_CODEPAGE=") + asked +
                                 " is ignored: Windows gives names and titles in the ANSI code page " +
                                 std::to_string(GetACP()) + "\n";
        OutputDebugStringA(line.c_str());
    }
    text::SetCodePage(system);
}

std::wstring ToUtf16(const std::string& text, unsigned windowsCodePage)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(windowsCodePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(windowsCodePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::string FromUtf16(const std::wstring& text, unsigned windowsCodePage)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(windowsCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(windowsCodePage, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

}  // namespace vantrel::platform
