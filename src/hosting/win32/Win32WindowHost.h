#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/WindowHost.h"

namespace vantrel::hosting {

using platform::kSubmenuItemId;
using platform::WindowHandle;

// The studio's windows as real windows on the thread that makes them: a top-level main
// window with its menu bar, and child windows inside it. A document window's client area is
// sized to its image and paints it at 100 %. Painting happens when the content changes, so a
// capture from the same thread sees it without a message loop turning.
class CWin32WindowHost : public platform::IWindowHost {
public:
    CWin32WindowHost();
    CWin32WindowHost(const CWin32WindowHost&) = delete;
    CWin32WindowHost& operator=(const CWin32WindowHost&) = delete;
    ~CWin32WindowHost() override;

    WindowHandle AddWindow(WindowHandle parent, std::string title, platform::WindowRole role) override;
    void RemoveWindow(WindowHandle window) override;
    void SetTitle(WindowHandle window, std::string title) override;
    void SetMenuBar(WindowHandle window, const std::vector<platform::MenuItemSpec>& dropDowns) override;
    void SetCommandHandler(WindowHandle window, std::function<void(std::uint32_t)> handler) override;
    void SetContent(WindowHandle window, int width, int height, std::vector<std::uint8_t> rgb) override;
    void SetSolidContent(WindowHandle window, std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;

private:
    struct CWindowState {
        std::function<void(std::uint32_t)> onCommand;
        int width = 0, height = 0;        // the image's size; 0 for a solid colour
        std::vector<std::uint8_t> bgrx;   // the image as a top-down 32-bit DIB
        COLORREF solid = RGB(128, 128, 128);
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HWND window, const CWindowState& state);
    CWindowState* StateOf(WindowHandle window);
    void Repaint(HWND window);

    std::map<HWND, CWindowState> windows_;
    int documentsPlaced_ = 0;
};

}  // namespace vantrel::hosting
