#include "platform/win32/Win32Desktop.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/CaptureImage.h"
#include "platform/win32/Win32CallbackBoundary.h"

namespace vantrel::platform {

namespace {

HWND AsWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HMENU AsMenu(MenuHandle menu) { return reinterpret_cast<HMENU>(menu); }

// The callback travels as the enumeration's LPARAM; an answer of false stops the walk, and so
// does an exception, which is thrown again once the enumeration has returned.
BOOL CALLBACK ForwardWindow(HWND window, LPARAM callback)
{
    const auto& forward = *reinterpret_cast<const std::function<bool(WindowHandle)>*>(callback);
    return RunGuarded([&] { return forward(reinterpret_cast<WindowHandle>(window)) ? TRUE : FALSE; }, FALSE);
}

// A device context released, and GDI objects deleted, on every path out of the capture.
struct CWindowDc {
    HWND window;
    HDC dc;
    ~CWindowDc()
    {
        if (dc) ReleaseDC(window, dc);
    }
};
struct CMemoryDc {
    HDC dc;
    ~CMemoryDc()
    {
        if (dc) DeleteDC(dc);
    }
};
struct CBitmap {
    HBITMAP bitmap;
    ~CBitmap()
    {
        if (bitmap) DeleteObject(bitmap);
    }
};

}  // namespace

void CWin32Desktop::EnumTopLevelWindows(const std::function<bool(WindowHandle)>& callback)
{
    EnumWindows(ForwardWindow, reinterpret_cast<LPARAM>(&callback));
    RethrowCallbackFailure();
}

void CWin32Desktop::EnumDescendantWindows(WindowHandle parent, const std::function<bool(WindowHandle)>& callback)
{
    EnumChildWindows(AsWindow(parent), ForwardWindow, reinterpret_cast<LPARAM>(&callback));
    RethrowCallbackFailure();
}

std::string CWin32Desktop::WindowTitle(WindowHandle window, int maxChars)
{
    std::vector<char> title(static_cast<std::size_t>(std::max(maxChars, 0)) + 1, '\0');
    const int length = GetWindowTextA(AsWindow(window), title.data(), static_cast<int>(title.size()));
    return std::string(title.data(), static_cast<std::size_t>(std::max(length, 0)));
}

MenuHandle CWin32Desktop::MenuBar(WindowHandle window)
{
    return reinterpret_cast<MenuHandle>(GetMenu(AsWindow(window)));
}

MenuHandle CWin32Desktop::SubMenu(MenuHandle menu, int position)
{
    return reinterpret_cast<MenuHandle>(GetSubMenu(AsMenu(menu), position));
}

int CWin32Desktop::MenuItemCount(MenuHandle menu) { return GetMenuItemCount(AsMenu(menu)); }

std::uint32_t CWin32Desktop::MenuItemId(MenuHandle menu, int position)
{
    return static_cast<std::uint32_t>(GetMenuItemID(AsMenu(menu), position));
}

std::string CWin32Desktop::MenuItemText(MenuHandle menu, int position, int maxChars)
{
    std::vector<char> text(static_cast<std::size_t>(std::max(maxChars, 0)) + 1, '\0');
    const int length = GetMenuStringA(AsMenu(menu), static_cast<UINT>(position), text.data(),
                                      static_cast<int>(text.size()), MF_BYPOSITION);
    return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

void CWin32Desktop::SendCommand(WindowHandle window, std::uint32_t commandId)
{
    SendMessageA(AsWindow(window), WM_COMMAND, static_cast<WPARAM>(commandId), 0);
    // A window procedure of this thread keeps what it threw until the message has returned.
    RethrowCallbackFailure();
}

void CWin32Desktop::BringToFront(WindowHandle window) { SetForegroundWindow(AsWindow(window)); }

std::unique_ptr<CCaptureImage> CWin32Desktop::CaptureClientArea(WindowHandle window)
{
    RECT client{};
    if (!GetClientRect(AsWindow(window), &client)) return nullptr;
    CWindowDc screen{AsWindow(window), GetDC(AsWindow(window))};
    if (!screen.dc) return nullptr;
    CMemoryDc memory{CreateCompatibleDC(screen.dc)};
    CBitmap bitmap{CreateCompatibleBitmap(screen.dc, CCaptureImage::kWidth, CCaptureImage::kHeight)};
    if (!memory.dc || !bitmap.bitmap) return nullptr;
    const HGDIOBJ previous = SelectObject(memory.dc, bitmap.bitmap);
    // No stretching mode is set: the display's default decides how rows and columns are dropped
    // or merged, as for the editor's own captures.
    StretchBlt(memory.dc, 0, 0, CCaptureImage::kWidth, CCaptureImage::kHeight, screen.dc, 0, 0,
               client.right - client.left, client.bottom - client.top, SRCCOPY);
    SelectObject(memory.dc, previous);

    BITMAP layout{};
    if (GetObjectA(bitmap.bitmap, sizeof layout, &layout) != sizeof layout || layout.bmBitsPixel == 0 ||
        layout.bmWidthBytes <= 0 || layout.bmHeight != CCaptureImage::kHeight)
        return nullptr;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(layout.bmWidthBytes) * CCaptureImage::kHeight);
    if (GetBitmapBits(bitmap.bitmap, static_cast<LONG>(bits.size()), bits.data()) != static_cast<LONG>(bits.size()))
        return nullptr;
    auto image = std::make_unique<CCaptureImage>(layout.bmBitsPixel);
    // GDI pads rows to a word; the capture's rows follow one another without padding.
    const auto rowBytes = std::min<std::size_t>(static_cast<std::size_t>(layout.bmWidthBytes),
                                                static_cast<std::size_t>(image->BytesPerRow()));
    for (int y = 0; y < CCaptureImage::kHeight; ++y)
        std::memcpy(image->Pixels() + static_cast<std::size_t>(y) * image->BytesPerRow(),
                    bits.data() + static_cast<std::size_t>(y) * layout.bmWidthBytes, rowBytes);
    return image;
}

void CWin32Desktop::OverpaintClientArea(WindowHandle window, std::uint32_t colorRef)
{
    RECT client{};
    if (!GetClientRect(AsWindow(window), &client)) return;
    CWindowDc screen{AsWindow(window), GetDC(AsWindow(window))};
    if (!screen.dc) return;
    // One fill gives the same pixels as setting each one, a client area's worth of calls faster.
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colorRef));
    if (!brush) return;
    FillRect(screen.dc, &client, brush);
    DeleteObject(brush);
}

}  // namespace vantrel::platform
