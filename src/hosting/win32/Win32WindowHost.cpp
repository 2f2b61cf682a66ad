#include "hosting/win32/Win32WindowHost.h"

#include "platform/win32/Win32CallbackBoundary.h"

namespace vantrel::hosting {

namespace {

constexpr const char* kWindowClass = "VantrelStudioWindow";
// Document windows step down and right from one another, as an editor cascades them.
constexpr int kCascadeStep = 24;

HWND AsWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }

HMENU BuildMenu(const std::vector<platform::MenuItemSpec>& items, bool bar)
{
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (const auto& item : items) {
        if (item.id == kSubmenuItemId || !item.submenu.empty())
            AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(BuildMenu(item.submenu, false)),
                        item.text.c_str());
        else if (item.id == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, item.id, item.text.c_str());
    }
    return menu;
}

}  // namespace

CWin32WindowHost::CWin32WindowHost()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);  // fails harmlessly when another host registered it
}

CWin32WindowHost::~CWin32WindowHost()
{
    while (!windows_.empty()) {
        // Top-level windows take their children with them.
        HWND window = windows_.begin()->first;
        HWND root = GetAncestor(window, GA_ROOT);
        DestroyWindow(root ? root : window);
        windows_.erase(window);
    }
}

WindowHandle CWin32WindowHost::AddWindow(WindowHandle parent, std::string title, platform::WindowRole role)
{
    DWORD style = WS_VISIBLE | WS_CLIPCHILDREN;
    int x = 0, y = 0, width = 1024, height = 768;
    if (parent == 0) {
        style |= WS_OVERLAPPEDWINDOW;
    } else {
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        RECT area{};
        GetClientRect(AsWindow(parent), &area);
        width = area.right;
        height = area.bottom;
        if (role == platform::WindowRole::Document) {
            style |= WS_CAPTION;
            x = y = kCascadeStep * (documentsPlaced_++ % 8);
            width = height = 0;  // sized to its image when it gets one
        }
    }
    HWND window = CreateWindowExA(0, kWindowClass, title.c_str(), style, x, y, width, height, AsWindow(parent),
                                  nullptr, GetModuleHandleA(nullptr), this);
    if (window == nullptr) return 0;
    windows_[window];
    return reinterpret_cast<WindowHandle>(window);
}

void CWin32WindowHost::RemoveWindow(WindowHandle window)
{
    if (IsWindow(AsWindow(window))) DestroyWindow(AsWindow(window));
}

void CWin32WindowHost::SetTitle(WindowHandle window, std::string title)
{
    if (StateOf(window)) SetWindowTextA(AsWindow(window), title.c_str());
}

void CWin32WindowHost::SetMenuBar(WindowHandle window, const std::vector<platform::MenuItemSpec>& dropDowns)
{
    if (!StateOf(window)) return;
    HMENU previous = GetMenu(AsWindow(window));
    SetMenu(AsWindow(window), BuildMenu(dropDowns, true));
    if (previous) DestroyMenu(previous);
}

void CWin32WindowHost::SetCommandHandler(WindowHandle window, std::function<void(std::uint32_t)> handler)
{
    if (CWindowState* state = StateOf(window)) state->onCommand = std::move(handler);
}

void CWin32WindowHost::SetContent(WindowHandle window, int width, int height, std::vector<std::uint8_t> rgb)
{
    CWindowState* state = StateOf(window);
    if (!state || width <= 0 || height <= 0 ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3)
        return;
    state->width = width;
    state->height = height;
    state->bgrx.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i) {
        state->bgrx[4 * i] = rgb[3 * i + 2];
        state->bgrx[4 * i + 1] = rgb[3 * i + 1];
        state->bgrx[4 * i + 2] = rgb[3 * i];
    }
    // The client area is the image's size: the editor shows a document at 100 %.
    HWND handle = AsWindow(window);
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_EXSTYLE)));
    SetWindowPos(handle, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint(handle);
}

void CWin32WindowHost::SetSolidContent(WindowHandle window, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    CWindowState* state = StateOf(window);
    if (!state) return;
    state->width = state->height = 0;
    state->bgrx.clear();
    state->solid = RGB(red, green, blue);
    Repaint(AsWindow(window));
}

CWin32WindowHost::CWindowState* CWin32WindowHost::StateOf(WindowHandle window)
{
    const auto it = windows_.find(AsWindow(window));
    return it != windows_.end() && IsWindow(it->first) ? &it->second : nullptr;
}

void CWin32WindowHost::Repaint(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void CWin32WindowHost::Paint(HWND window, const CWindowState& state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    if (state.width > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = state.width;
        info.bmiHeader.biHeight = -state.height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(state.width), static_cast<DWORD>(state.height), 0, 0, 0,
                          static_cast<UINT>(state.height), state.bgrx.data(), &info, DIB_RGB_COLORS);
    } else {
        HBRUSH brush = CreateSolidBrush(state.solid);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK CWin32WindowHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing may unwind into user32: a handler's exception waits for the sender or the loop.
    return platform::RunGuarded([&] { return HandleMessage(window, message, wParam, lParam); }, LRESULT{0});
}

LRESULT CWin32WindowHost::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<CWin32WindowHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    CWindowState* state = nullptr;
    if (host) {
        const auto it = host->windows_.find(window);
        if (it != host->windows_.end()) state = &it->second;
    }
    switch (message) {
    case WM_COMMAND:
        if (state && state->onCommand) {
            // Copied first: the handler may remove this very window.
            const auto handler = state->onCommand;
            handler(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_PAINT:
        if (state) {
            host->Paint(window, *state);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (state) return 1;  // WM_PAINT covers the whole client area
        break;
    case WM_NCDESTROY:
        if (host) host->windows_.erase(window);
        break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace vantrel::hosting
