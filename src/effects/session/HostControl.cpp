#include "effects/session/HostControl.h"

#include <string_view>

#include "effects/session/AutomationDriver.h"
#include "effects/session/WaitSeconds.h"
#include "effects/session/WindowSearchState.h"
#include "text/CodePage.h"

using vantrel::platform::CCaptureImage;

namespace vantrel::effects::session {

namespace {

constexpr int kMainTitleChars = 199;
constexpr int kChildTitleChars = 499;
constexpr int kMenuTextChars = 99;
constexpr int kPaletteMenu = 7;
constexpr int kAttempts = 3;
constexpr std::size_t kMaxWindowName = 203;
constexpr std::size_t kMaxDocumentPath = 511;
constexpr std::uint32_t kOverpaintColor = 0x7D147F;  // RGB(127, 20, 125)

std::string UpperTitle(std::string text)
{
    text::MakeUpper(text);
    return text;
}

// "显示" (show) in the active code page; empty in a code page that cannot write it.
std::string_view ShowWord()
{
    switch (text::ActiveCodePage()) {
    case text::CodePage::Cp936: return "\xCF\xD4\xCA\xBE";
    case text::CodePage::Utf8: return "\xE6\x98\xBE\xE7\xA4\xBA";
    case text::CodePage::Other: break;
    }
    return {};
}

}  // namespace

void RunWindowMenu(platform::WindowHandle window)
{
    auto& desktop = platform::ActivePlatform().Desktop();
    const platform::MenuHandle bar = desktop.MenuBar(window);
    if (!bar) return;
    const platform::MenuHandle menu = desktop.SubMenu(bar, kPaletteMenu);
    if (!menu) return;
    // The item count is read again before every item; the last two are never examined.
    for (int position = 0; position < desktop.MenuItemCount(menu) - 2; ++position) {
        const std::uint32_t id = desktop.MenuItemId(menu, position);
        // Separators and submenus carry no command of their own.
        if (id == 0 || id == platform::kSubmenuItemId) continue;
        const std::string text = UpperTitle(desktop.MenuItemText(menu, position, kMenuTextChars));
        const std::string_view show = ShowWord();
        if ((!show.empty() && text.find(show) != std::string::npos) || text.find("SHOW") != std::string::npos)
            continue;
        desktop.SendCommand(window, id);
    }
}

void FindMainWindow()
{
    auto& desktop = platform::ActivePlatform().Desktop();
    desktop.EnumTopLevelWindows([&](platform::WindowHandle window) {
        if (UpperTitle(desktop.WindowTitle(window, kMainTitleChars)).find("PHOTOSHOP") == std::string::npos)
            return true;
        theWindowSearch.mainWindow = window;
        RunWindowMenu(window);
        return false;
    });
}

bool CaptureDocument(const std::string& directory, const std::string& name, std::unique_ptr<CCaptureImage>& slot,
                     std::string* reason)
{
    theWindowSearch.windowName = name;
    const std::string path = directory + name;
    // Names that do not fit the working buffers are documents that cannot be opened.
    if (name.size() > kMaxWindowName || path.size() > kMaxDocumentPath) {
        if (reason) *reason = "cannot open " + path + ": the name is too long";
        return false;
    }
    // A name given with a folder is looked for by its file name, as the window shows it.
    const std::string wanted = UpperTitle(text::LastPathComponent(name));
    if (wanted.empty()) {
        if (reason) *reason = "cannot open " + path + ": it names a folder, not a document";
        return false;
    }

    auto& desktop = platform::ActivePlatform().Desktop();
    CPhotoshopDocument document;
    try {
        document.AttachDispatch(thePhotoshopApp.OpenDocument(path));
        WaitSeconds(5);

        theWindowSearch.documentWindow = 0;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            desktop.EnumDescendantWindows(theWindowSearch.mainWindow, [&](platform::WindowHandle window) {
                if (UpperTitle(desktop.WindowTitle(window, kChildTitleChars)).find(wanted) == std::string::npos)
                    return true;
                theWindowSearch.documentWindow = window;
                return false;
            });
            if (theWindowSearch.documentWindow) {
                desktop.BringToFront(theWindowSearch.mainWindow);
                WaitSeconds(5);
                CaptureWindow(theWindowSearch.documentWindow, slot);
                break;
            }
            WaitSeconds(10);
        }
    } catch (const platform::AutomationError& error) {
        if (reason) *reason = error.what();
        return false;
    }
    try {
        document.EndDocument();
    } catch (const platform::AutomationError&) {
    }
    return true;
}

void CaptureWindow(platform::WindowHandle window, std::unique_ptr<CCaptureImage>& slot)
{
    auto& desktop = platform::ActivePlatform().Desktop();
    slot.reset();
    slot = desktop.CaptureClientArea(window);
    if (!slot) return;
    desktop.OverpaintClientArea(window, kOverpaintColor);
}

}  // namespace vantrel::effects::session
