#pragma once

#include <string>

#include "text/CodePage.h"

namespace vantrel::platform {

// The Windows code page identifier of a code page: 936, CP_UTF8, or CP_ACP for Other.
unsigned WindowsCodePage(text::CodePage codePage);

// The system's ANSI code page (GetACP) as the library's code page: CP936 for 936, UTF-8 for
// 65001, and Other for any other, with that page's lead bytes installed.
text::CodePage SystemCodePage();

// Makes the system's ANSI code page the process-wide one. Windows converts file names, window
// titles, menu text and automation strings in that page, so the upper-casing and the "显示"
// search must use it too; a VANTREL_CODEPAGE that names another page is refused, with one line
// on the debugger's output.
void AdoptSystemCodePage();

// Text in a Windows code page to UTF-16 and back; bytes that do not convert become the
// code page's default character.
std::wstring ToUtf16(const std::string& text, unsigned windowsCodePage);
std::string FromUtf16(const std::wstring& text, unsigned windowsCodePage);

}  // namespace vantrel::platform
