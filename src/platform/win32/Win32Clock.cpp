#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace vantrel::platform {

std::uint32_t CWin32Clock::TickCount() { return GetTickCount(); }

void CWin32Clock::Idle(std::uint32_t ms) { Sleep(ms); }

}  // namespace vantrel::platform
