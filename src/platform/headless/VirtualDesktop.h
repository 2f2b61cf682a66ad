#pragma once

#include "platform/Platform.h"
#include "platform/WindowHost.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::platform {

class CVirtualClock;

// A desktop of windows that exist only in memory. Programs running on the headless platform
// create and fill windows through the window-host operations; the grading side sees them only
// through IDesktop. Handles are never reused, so a stale handle simply names no window.
class CVirtualDesktop : public IDesktop, public IWindowHost {
public:
    explicit CVirtualDesktop(CVirtualClock& clock);
    ~CVirtualDesktop() override;

    // ---- IDesktop
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

    // ---- IWindowHost
    WindowHandle AddWindow(WindowHandle parent, std::string title, WindowRole role = WindowRole::Ordinary) override;
    void RemoveWindow(WindowHandle window) override;
    void SetTitle(WindowHandle window, std::string title) override;
    void SetMenuBar(WindowHandle window, const std::vector<MenuItemSpec>& dropDowns) override;
    void SetCommandHandler(WindowHandle window, std::function<void(std::uint32_t)> handler) override;
    void SetContent(WindowHandle window, int width, int height, std::vector<std::uint8_t> rgb) override;
    void SetSolidContent(WindowHandle window, std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;

    bool IsWindow(WindowHandle window) const;
    // Replaces a drop-down's items and keeps its handle, as a program does whose Window menu
    // lists its open documents.
    void SetMenuItems(MenuHandle menu, const std::vector<MenuItemSpec>& items);

    // ---- fault switches and observations for tests
    // Any depth a capture image can hold; 8, 16, 24 and 32 bits are drawn.
    void SetDisplayDepth(int bitsPerPixel);
    int DisplayDepth() const { return depth_; }
    void SetCaptureFails(bool fails) { captureFails_ = fails; }
    // Document windows show up this many virtual milliseconds after they are created; nullopt:
    // never. Until then they are left out of enumerations. Applies to windows created later.
    void SetDocumentWindowDelay(std::optional<std::uint32_t> ms) { documentDelay_ = ms; }
    // The windows brought to the front, oldest first. Like a screen, a capture shows the last
    // of them where it covers the captured window: a window brought to the front covers every
    // other top-level window, as a maximised one does.
    const std::vector<WindowHandle>& FrontHistory() const { return frontHistory_; }
    std::size_t WindowCount() const { return windows_.size(); }
    std::size_t CaptureCount() const { return captures_; }
    // The colour the client area shows at a point of its 200 x 160 scaling; nullopt without a window.
    struct Rgb {
        std::uint8_t red, green, blue;
        bool operator==(const Rgb&) const = default;
    };
    std::optional<Rgb> ClientPixel(WindowHandle window, int x, int y) const;

private:
    struct Menu {
        struct Item {
            std::uint32_t id;
            std::string text;
            MenuHandle submenu;
        };
        std::vector<Item> items;
    };
    struct Content {
        int width = 1;
        int height = 1;
        std::vector<std::uint8_t> rgb = std::vector<std::uint8_t>(3, 192);  // a neutral grey
    };
    struct Window {
        WindowHandle parent = 0;
        std::vector<WindowHandle> children;
        std::string title;
        std::uint32_t createdAt = 0;
        std::optional<std::uint32_t> appearsAfter = 0;  // ms after creation; nullopt: never
        MenuHandle menuBar = 0;
        std::vector<MenuHandle> ownedMenus;
        std::function<void(std::uint32_t)> onCommand;
        Content content;
    };

    Window* Find(WindowHandle window);
    const Window* Find(WindowHandle window) const;
    const Menu::Item* FindItem(MenuHandle menu, int position) const;
    MenuHandle BuildMenu(const std::vector<MenuItemSpec>& items, Window& owner);
    void ReleaseMenus(Window& window);
    bool HasAppeared(const Window& window) const;
    WindowHandle TopLevelOf(WindowHandle window) const;
    const Content& ShownContent(WindowHandle window, const Window& w) const;
    void CollectShownDescendants(WindowHandle parent, std::vector<WindowHandle>& out) const;
    Rgb Sample(const Content& content, int x, int y) const;

    CVirtualClock& clock_;
    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> topLevel_;  // in creation order
    std::map<MenuHandle, Menu> menus_;
    std::uintptr_t nextHandle_ = 0x10010;
    int depth_ = 32;
    bool captureFails_ = false;
    std::optional<std::uint32_t> documentDelay_ = 0;
    std::vector<WindowHandle> frontHistory_;
    std::size_t captures_ = 0;
};

}  // namespace vantrel::platform
