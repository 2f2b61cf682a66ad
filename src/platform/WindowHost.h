#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::platform {

// One entry of a menu as its owner describes it. An item with a submenu (or the id
// kSubmenuItemId) opens a drop-down; an id of 0 is a separator.
struct MenuItemSpec {
    MenuItemSpec(std::uint32_t itemId, std::string itemText, std::vector<MenuItemSpec> items = {})
        : id(itemId), text(std::move(itemText)), submenu(std::move(items))
    {
    }
    std::uint32_t id;
    std::string text;  // system code page
    std::vector<MenuItemSpec> submenu;
};

// A document window is one a host may be slow to show; the others appear at once.
enum class WindowRole { Ordinary, Document };

// What the studio needs from whoever puts its windows on a screen: the headless platform's
// window tree, or real windows on Windows. Handles are the host's own; a stale one names no
// window and is ignored.
class IWindowHost {
public:
    virtual ~IWindowHost() = default;

    // parent 0 makes a top-level window.
    virtual WindowHandle AddWindow(WindowHandle parent, std::string title,
                                             WindowRole role = WindowRole::Ordinary) = 0;
    // Destroys the window and all its descendants.
    virtual void RemoveWindow(WindowHandle window) = 0;
    virtual void SetTitle(WindowHandle window, std::string title) = 0;
    virtual void SetMenuBar(WindowHandle window, const std::vector<MenuItemSpec>& dropDowns) = 0;
    // Menu commands the window receives go to the handler.
    virtual void SetCommandHandler(WindowHandle window, std::function<void(std::uint32_t)> handler) = 0;
    // The client area shows an image of any size as RGB triples, scaled to whatever reads it.
    virtual void SetContent(WindowHandle window, int width, int height, std::vector<std::uint8_t> rgb) = 0;
    virtual void SetSolidContent(WindowHandle window, std::uint8_t red, std::uint8_t green,
                                 std::uint8_t blue) = 0;
};

}  // namespace vantrel::platform
