#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// The desktop as Windows shows it: its windows and menus, and captures of client areas through
// GDI in the screen's own format.
class CWin32Desktop : public IDesktop {
public:
    void EnumTopLevelWindows(const std::function<bool(WindowHandle)>& callback) override;
    void EnumDescendantWindows(WindowHandle parent, const std::function<bool(WindowHandle)>& callback) override;
    std::string WindowTitle(WindowHandle window, int maxChars) override;
    MenuHandle MenuBar(WindowHandle window) override;
    MenuHandle SubMenu(MenuHandle menu, int position) override;
    int MenuItemCount(MenuHandle menu) override;
    std::uint32_t MenuItemId(MenuHandle menu, int position) override;
    std::string MenuItemText(MenuHandle menu, int position, int maxChars) override;
    void SendCommand(WindowHandle window, std::uint32_t commandId) override;
    void BringToFront(WindowHandle window) override;
    std::unique_ptr<CCaptureImage> CaptureClientArea(WindowHandle window) override;
    void OverpaintClientArea(WindowHandle window, std::uint32_t colorRef) override;
};

}  // namespace vantrel::platform
