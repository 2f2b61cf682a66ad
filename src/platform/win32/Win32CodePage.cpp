#include "platform/win32/Win32CodePage.h"

#include <windows.h>

#include <climits>
#include <cstdlib>

namespace vantrel::platform {

unsigned WindowsCodePage(text::CodePage codePage)
{
    return codePage == text::CodePage::Utf8 ? CP_UTF8 : 936;
}

std::optional<text::CodePage> SystemCodePage()
{
    switch (GetACP()) {
    case 936: return text::CodePage::Cp936;
    case CP_UTF8: return text::CodePage::Utf8;
    default: return std::nullopt;
    }
}

void AdoptSystemCodePage()
{
    if (std::getenv("VANTREL_CODEPAGE")) return;
    if (const std::optional<text::CodePage> system = SystemCodePage())
        text::SetCodePage(*system);
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
