#include "platform/headless/VirtualDesktop.h"
#include "platform/headless/RecentRecords.h"

#include "platform/CaptureImage.h"
#include "platform/headless/DisplayPixelFormat.h"
#include "platform/headless/VirtualClock.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace vantrel::platform {

namespace {
// Cuts text to at most maxChars characters of the code page, never inside a double-byte one.
std::string TruncateCodePageText(const std::string& text, int maxChars)
{
    if (maxChars <= 0)
        return std::string();
    std::size_t end = 0;
    for (int chars = 0; end < text.size() && chars < maxChars; ++chars) {
        const auto lead = static_cast<unsigned char>(text[end]);
        const std::size_t width = (lead >= 0x81 && lead <= 0xFE && end + 1 < text.size()) ? 2 : 1;
        end += width;
    }
    return text.substr(0, end);
}
}  // namespace

CVirtualDesktop::CVirtualDesktop(CVirtualClock& clock) : clock_(clock) {}

CVirtualDesktop::~CVirtualDesktop() = default;

CVirtualDesktop::Window* CVirtualDesktop::Find(WindowHandle window)
{
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

const CVirtualDesktop::Window* CVirtualDesktop::Find(WindowHandle window) const
{
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

bool CVirtualDesktop::HasAppeared(const Window& window) const
{
    if (!window.appearsAfter)
        return false;
    return static_cast<std::uint32_t>(clock_.TickCount() - window.createdAt) >= *window.appearsAfter;
}

// ---- enumeration --------------------------------------------------------------------------

void CVirtualDesktop::EnumTopLevelWindows(const std::function<bool(WindowHandle)>& callback)
{
    // A snapshot, so that a callback may create or destroy windows.
    const std::vector<WindowHandle> snapshot = topLevel_;
    for (WindowHandle handle : snapshot) {
        const Window* window = Find(handle);
        if (window && HasAppeared(*window) && !callback(handle))
            return;
    }
}

void CVirtualDesktop::CollectShownDescendants(WindowHandle parent, std::vector<WindowHandle>& out) const
{
    const Window* window = Find(parent);
    if (!window)
        return;
    for (WindowHandle child : window->children) {
        const Window* c = Find(child);
        if (!c || !HasAppeared(*c))
            continue;  // a window not yet shown hides its descendants too
        out.push_back(child);
        CollectShownDescendants(child, out);
    }
}

void CVirtualDesktop::EnumDescendantWindows(WindowHandle parent, const std::function<bool(WindowHandle)>& callback)
{
    std::vector<WindowHandle> snapshot;
    CollectShownDescendants(parent, snapshot);
    for (WindowHandle handle : snapshot)
        if (IsWindow(handle) && !callback(handle))
            return;
}

std::string CVirtualDesktop::WindowTitle(WindowHandle window, int maxChars)
{
    const Window* w = Find(window);
    return w ? TruncateCodePageText(w->title, maxChars) : std::string();
}

// ---- menus --------------------------------------------------------------------------------

MenuHandle CVirtualDesktop::MenuBar(WindowHandle window)
{
    const Window* w = Find(window);
    return w ? w->menuBar : 0;
}

const CVirtualDesktop::Menu::Item* CVirtualDesktop::FindItem(MenuHandle menu, int position) const
{
    auto it = menus_.find(menu);
    if (it == menus_.end() || position < 0 || static_cast<std::size_t>(position) >= it->second.items.size())
        return nullptr;
    return &it->second.items[static_cast<std::size_t>(position)];
}

MenuHandle CVirtualDesktop::SubMenu(MenuHandle menu, int position)
{
    const Menu::Item* item = FindItem(menu, position);
    return item ? item->submenu : 0;
}

int CVirtualDesktop::MenuItemCount(MenuHandle menu)
{
    auto it = menus_.find(menu);
    return it == menus_.end() ? -1 : static_cast<int>(it->second.items.size());
}

std::uint32_t CVirtualDesktop::MenuItemId(MenuHandle menu, int position)
{
    // Like the real call: an item that opens a submenu, and an item that does not exist, give -1.
    const Menu::Item* item = FindItem(menu, position);
    if (!item || item->submenu)
        return kSubmenuItemId;
    return item->id;
}

std::string CVirtualDesktop::MenuItemText(MenuHandle menu, int position, int maxChars)
{
    const Menu::Item* item = FindItem(menu, position);
    return item ? TruncateCodePageText(item->text, maxChars) : std::string();
}

MenuHandle CVirtualDesktop::BuildMenu(const std::vector<MenuItemSpec>& items, Window& owner)
{
    const MenuHandle handle = nextHandle_;
    nextHandle_ += 4;
    owner.ownedMenus.push_back(handle);
    Menu menu;
    for (const MenuItemSpec& item : items) {
        MenuHandle submenu = 0;
        if (!item.submenu.empty() || item.id == kSubmenuItemId)
            submenu = BuildMenu(item.submenu, owner);
        menu.items.push_back({submenu ? kSubmenuItemId : item.id, item.text, submenu});
    }
    menus_[handle] = std::move(menu);
    return handle;
}

void CVirtualDesktop::ReleaseMenus(Window& window)
{
    for (MenuHandle menu : window.ownedMenus)
        menus_.erase(menu);
    window.ownedMenus.clear();
    window.menuBar = 0;
}

void CVirtualDesktop::SetMenuBar(WindowHandle window, const std::vector<MenuItemSpec>& dropDowns)
{
    Window* w = Find(window);
    if (!w)
        return;
    ReleaseMenus(*w);
    w->menuBar = BuildMenu(dropDowns, *w);
}

void CVirtualDesktop::SetMenuItems(MenuHandle menu, const std::vector<MenuItemSpec>& items)
{
    if (!menus_.count(menu))
        return;
    for (auto& [handle, window] : windows_) {
        if (std::find(window.ownedMenus.begin(), window.ownedMenus.end(), menu) == window.ownedMenus.end())
            continue;
        const MenuHandle built = BuildMenu(items, window);
        menus_[menu] = std::move(menus_[built]);
        menus_.erase(built);
        std::erase(window.ownedMenus, built);
        return;
    }
}

void CVirtualDesktop::SendCommand(WindowHandle window, std::uint32_t commandId)
{
    Window* w = Find(window);
    if (!w || !w->onCommand)
        return;
    auto handler = w->onCommand;  // the handler may destroy its own window
    handler(commandId);
}

void CVirtualDesktop::SetCommandHandler(WindowHandle window, std::function<void(std::uint32_t)> handler)
{
    if (Window* w = Find(window))
        w->onCommand = std::move(handler);
}

void CVirtualDesktop::BringToFront(WindowHandle window)
{
    AppendRecent(frontHistory_, window);
}

// ---- window tree --------------------------------------------------------------------------

WindowHandle CVirtualDesktop::AddWindow(WindowHandle parent, std::string title, WindowRole role)
{
    Window* parentWindow = nullptr;
    if (parent != 0) {
        parentWindow = Find(parent);
        if (!parentWindow)
            return 0;
    }
    const WindowHandle handle = nextHandle_;
    nextHandle_ += 4;
    Window window;
    window.parent = parent;
    window.title = std::move(title);
    if (role == WindowRole::Document)
        window.appearsAfter = documentDelay_;
    window.createdAt = clock_.TickCount();
    windows_[handle] = std::move(window);
    if (parentWindow)
        Find(parent)->children.push_back(handle);
    else
        topLevel_.push_back(handle);
    return handle;
}

void CVirtualDesktop::RemoveWindow(WindowHandle window)
{
    Window* w = Find(window);
    if (!w)
        return;
    const std::vector<WindowHandle> children = w->children;
    for (WindowHandle child : children)
        RemoveWindow(child);
    w = Find(window);
    ReleaseMenus(*w);
    if (Window* parent = Find(w->parent))
        std::erase(parent->children, window);
    std::erase(topLevel_, window);
    windows_.erase(window);
}

bool CVirtualDesktop::IsWindow(WindowHandle window) const
{
    return Find(window) != nullptr;
}

void CVirtualDesktop::SetTitle(WindowHandle window, std::string title)
{
    if (Window* w = Find(window))
        w->title = std::move(title);
}

void CVirtualDesktop::SetContent(WindowHandle window, int width, int height, std::vector<std::uint8_t> rgb)
{
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3)
        throw std::invalid_argument("window content does not match its size");
    if (Window* w = Find(window))
        w->content = Content{width, height, std::move(rgb)};
}

void CVirtualDesktop::SetSolidContent(WindowHandle window, std::uint8_t red, std::uint8_t green,
                                      std::uint8_t blue)
{
    if (Window* w = Find(window))
        w->content = Content{1, 1, {red, green, blue}};
}

// ---- pixels -------------------------------------------------------------------------------

namespace {

// Nearest pixel, as a stretch without a stretching mode drops and repeats whole pixels.
std::size_t SourceIndex(int at, int contentSide, int captureSide)
{
    return static_cast<std::size_t>(at) * static_cast<std::size_t>(contentSide) / static_cast<std::size_t>(captureSide);
}

}  // namespace

CVirtualDesktop::Rgb CVirtualDesktop::Sample(const Content& content, int x, int y) const
{
    const std::size_t sx = SourceIndex(x, content.width, CCaptureImage::kWidth);
    const std::size_t sy = SourceIndex(y, content.height, CCaptureImage::kHeight);
    const std::uint8_t* p = &content.rgb[(sy * static_cast<std::size_t>(content.width) + sx) * 3];
    return {p[0], p[1], p[2]};
}

std::optional<CVirtualDesktop::Rgb> CVirtualDesktop::ClientPixel(WindowHandle window, int x, int y) const
{
    const Window* w = Find(window);
    if (!w || x < 0 || y < 0 || x >= CCaptureImage::kWidth || y >= CCaptureImage::kHeight)
        return std::nullopt;
    return Sample(w->content, x, y);
}

void CVirtualDesktop::SetDisplayDepth(int bitsPerPixel)
{
    if (bitsPerPixel <= 0 || bitsPerPixel > 32)
        throw std::invalid_argument("display depth out of range");
    depth_ = bitsPerPixel;
}

WindowHandle CVirtualDesktop::TopLevelOf(WindowHandle window) const
{
    for (const Window* w = Find(window); w && w->parent != 0; w = Find(window))
        window = w->parent;
    return window;
}

const CVirtualDesktop::Content& CVirtualDesktop::ShownContent(WindowHandle window, const Window& w) const
{
    if (frontHistory_.empty())
        return w.content;
    const WindowHandle front = TopLevelOf(frontHistory_.back());
    const Window* cover = Find(front);
    return cover && front != TopLevelOf(window) ? cover->content : w.content;
}

std::unique_ptr<CCaptureImage> CVirtualDesktop::CaptureClientArea(WindowHandle window)
{
    const Window* w = Find(window);
    if (!w || captureFails_)
        return nullptr;
    auto image = std::make_unique<CCaptureImage>(depth_);
    // Each column's source pixel once, not two divisions per pixel.
    const Content& content = ShownContent(window, *w);
    std::array<std::size_t, CCaptureImage::kWidth> columns{};
    for (int x = 0; x < CCaptureImage::kWidth; ++x) columns[static_cast<std::size_t>(x)] = 3 * SourceIndex(x, content.width, CCaptureImage::kWidth);
    for (int y = 0; y < image->Height(); ++y) {
        const std::uint8_t* row =
            &content.rgb[SourceIndex(y, content.height, CCaptureImage::kHeight) * static_cast<std::size_t>(content.width) * 3];
        for (int x = 0; x < image->Width(); ++x) {
            const std::uint8_t* p = row + columns[static_cast<std::size_t>(x)];
            StoreDisplayPixel(*image, x, y, p[0], p[1], p[2]);
        }
    }
    ++captures_;
    return image;
}

void CVirtualDesktop::OverpaintClientArea(WindowHandle window, std::uint32_t colorRef)
{
    SetSolidContent(window, static_cast<std::uint8_t>(colorRef & 0xFF),
                    static_cast<std::uint8_t>((colorRef >> 8) & 0xFF),
                    static_cast<std::uint8_t>((colorRef >> 16) & 0xFF));
}

}  // namespace vantrel::platform
