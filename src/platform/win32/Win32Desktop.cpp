#include "platform/win32/Win32Desktop.h"

#include "platform/CaptureImage.h"

namespace vantrel::platform {

void CWin32Desktop::EnumTopLevelWindows(const std::function<bool(WindowHandle)>&) {}
void CWin32Desktop::EnumDescendantWindows(WindowHandle, const std::function<bool(WindowHandle)>&) {}
std::string CWin32Desktop::WindowTitle(WindowHandle, int) { return {}; }
MenuHandle CWin32Desktop::MenuBar(WindowHandle) { return 0; }
MenuHandle CWin32Desktop::SubMenu(MenuHandle, int) { return 0; }
int CWin32Desktop::MenuItemCount(MenuHandle) { return -1; }
std::uint32_t CWin32Desktop::MenuItemId(MenuHandle, int) { return 0; }
std::string CWin32Desktop::MenuItemText(MenuHandle, int, int) { return {}; }
void CWin32Desktop::SendCommand(WindowHandle, std::uint32_t) {}
void CWin32Desktop::BringToFront(WindowHandle) {}
std::unique_ptr<CCaptureImage> CWin32Desktop::CaptureClientArea(WindowHandle) { return nullptr; }
void CWin32Desktop::OverpaintClientArea(WindowHandle, std::uint32_t) {}

}  // namespace vantrel::platform
