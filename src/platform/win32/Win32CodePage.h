#pragma once

#include <optional>
#include <string>

#include "text/CodePage.h"

namespace vantrel::platform {

// The Windows code page identifier of a code page (936 or CP_UTF8).
unsigned WindowsCodePage(text::CodePage codePage);

// The system's ANSI code page (GetACP) as the library's code page: CP936 for 936, UTF-8 for
// 65001; nullopt for any other, whose double-byte rules the library does not know.
std::optional<text::CodePage> SystemCodePage();

// Makes the system's ANSI code page the process-wide one, unless VANTREL_CODEPAGE chose one.
void AdoptSystemCodePage();

// Text in a Windows code page to UTF-16 and back; bytes that do not convert become the
// code page's default character.
std::wstring ToUtf16(const std::string& text, unsigned windowsCodePage);
std::string FromUtf16(const std::wstring& text, unsigned windowsCodePage);

}  // namespace vantrel::platform
