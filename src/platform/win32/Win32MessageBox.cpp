#include "platform/win32/Win32MessageBox.h"

#include "platform/win32/Win32CodePage.h"

#include <windows.h>

namespace vantrel::platform {

void CWin32MessageBox::Show(const std::string& utf8Text)
{
    const std::wstring text = ToUtf16(utf8Text, CP_UTF8);
    // No window of the host is known here: the box is modal for the calling thread's windows.
    MessageBoxW(nullptr, text.c_str(), L"vantrel", MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

}  // namespace vantrel::platform
