#include "platform/headless/VirtualDesktop.h"

#include "platform/CaptureImage.h"
#include "platform/headless/VirtualClock.h"

#include <gtest/gtest.h>

using namespace vantrel::platform;

namespace {
struct Desktop : ::testing::Test {
    CVirtualClock clock;
    CVirtualDesktop desktop{clock};

    std::vector<WindowHandle> TopLevel()
    {
        std::vector<WindowHandle> out;
        desktop.EnumTopLevelWindows([&](WindowHandle w) { out.push_back(w); return true; });
        return out;
    }
    std::vector<WindowHandle> Descendants(WindowHandle parent)
    {
        std::vector<WindowHandle> out;
        desktop.EnumDescendantWindows(parent, [&](WindowHandle w) { out.push_back(w); return true; });
        return out;
    }
};
}  // namespace

TEST_F(Desktop, EnumeratesTopLevelInCreationOrderAndDescendantsDepthFirst)
{
    WindowHandle a = desktop.AddWindow(0, "A");
    WindowHandle b = desktop.AddWindow(0, "B");
    WindowHandle a1 = desktop.AddWindow(a, "A1");
    WindowHandle a2 = desktop.AddWindow(a, "A2");
    WindowHandle a11 = desktop.AddWindow(a1, "A11");
    EXPECT_EQ(TopLevel(), (std::vector<WindowHandle>{a, b}));
    EXPECT_EQ(Descendants(a), (std::vector<WindowHandle>{a1, a11, a2}));
    EXPECT_TRUE(Descendants(b).empty());

    int visited = 0;
    desktop.EnumTopLevelWindows([&](WindowHandle) { ++visited; return false; });
    EXPECT_EQ(visited, 1);

    EXPECT_EQ(desktop.AddWindow(0xDEAD, "orphan"), 0u);
}

TEST_F(Desktop, RemovingAWindowTakesItsDescendantsAndLeavesStaleHandlesHarmless)
{
    WindowHandle a = desktop.AddWindow(0, "A");
    WindowHandle a1 = desktop.AddWindow(a, "A1");
    desktop.AddWindow(a1, "A11");
    desktop.SetMenuBar(a, {{kSubmenuItemId, "File", {{1, "Open"}}}});
    const MenuHandle bar = desktop.MenuBar(a);

    desktop.RemoveWindow(a);
    EXPECT_EQ(desktop.WindowCount(), 0u);
    EXPECT_TRUE(TopLevel().empty());
    EXPECT_EQ(desktop.WindowTitle(a1, 100), "");
    EXPECT_EQ(desktop.MenuBar(a), 0u);
    EXPECT_EQ(desktop.MenuItemCount(bar), -1);
    EXPECT_EQ(desktop.CaptureClientArea(a), nullptr);
    desktop.SendCommand(a, 1);
    desktop.OverpaintClientArea(a, 0);
}

TEST_F(Desktop, CallbackMayDestroyWindowsDuringEnumeration)
{
    WindowHandle a = desktop.AddWindow(0, "A");
    WindowHandle b = desktop.AddWindow(0, "B");
    std::vector<WindowHandle> seen;
    desktop.EnumTopLevelWindows([&](WindowHandle w) {
        seen.push_back(w);
        desktop.RemoveWindow(b);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<WindowHandle>{a}));
}

TEST_F(Desktop, TitlesAndMenuTextsAreCutByCharactersNotInsideADoubleByteOne)
{
    // "显示" in GBK followed by ASCII.
    const std::string title = "\xCF\xD4\xCA\xBE" "AB";
    WindowHandle w = desktop.AddWindow(0, title);
    EXPECT_EQ(desktop.WindowTitle(w, 199), title);
    EXPECT_EQ(desktop.WindowTitle(w, 1), "\xCF\xD4");
    EXPECT_EQ(desktop.WindowTitle(w, 3), "\xCF\xD4\xCA\xBE" "A");
    EXPECT_EQ(desktop.WindowTitle(w, 0), "");
    // A lone lead byte at the end counts as one character.
    desktop.SetTitle(w, "A\xCF");
    EXPECT_EQ(desktop.WindowTitle(w, 2), "A\xCF");
}

TEST_F(Desktop, MenusReportSeparatorsSubmenusAndFailures)
{
    WindowHandle w = desktop.AddWindow(0, "Main");
    desktop.SetMenuBar(w, {{0, "File", {{100, "Open"}, {0, ""}, {101, "Close"}}},
                           {kSubmenuItemId, "Window", {{kSubmenuItemId, "Documents"}}}});
    const MenuHandle bar = desktop.MenuBar(w);
    ASSERT_NE(bar, 0u);
    EXPECT_EQ(desktop.MenuItemCount(bar), 2);
    EXPECT_EQ(desktop.MenuItemId(bar, 0), kSubmenuItemId);
    EXPECT_EQ(desktop.MenuItemText(bar, 1, 99), "Window");

    const MenuHandle file = desktop.SubMenu(bar, 0);
    EXPECT_EQ(desktop.MenuItemCount(file), 3);
    EXPECT_EQ(desktop.MenuItemId(file, 0), 100u);
    EXPECT_EQ(desktop.MenuItemId(file, 1), 0u);
    EXPECT_EQ(desktop.MenuItemText(file, 2, 3), "Clo");
    EXPECT_EQ(desktop.MenuItemId(file, 3), kSubmenuItemId);  // no such item
    EXPECT_EQ(desktop.MenuItemText(file, -1, 99), "");
    EXPECT_EQ(desktop.SubMenu(file, 0), 0u);

    // An item that opens an empty submenu is still a submenu.
    const MenuHandle window = desktop.SubMenu(bar, 1);
    EXPECT_EQ(desktop.MenuItemId(window, 0), kSubmenuItemId);
    EXPECT_EQ(desktop.MenuItemCount(desktop.SubMenu(window, 0)), 0);
    EXPECT_EQ(desktop.MenuBar(desktop.AddWindow(0, "No menu")), 0u);

    // A program may change a menu's items under the same handle.
    desktop.SetMenuItems(file, {{102, "Save"}});
    EXPECT_EQ(desktop.MenuItemCount(file), 1);
    EXPECT_EQ(desktop.MenuItemText(file, 0, 99), "Save");
}

TEST_F(Desktop, CommandsReachTheHandlerSynchronouslyEvenWhenItClosesTheWindow)
{
    WindowHandle w = desktop.AddWindow(0, "Main");
    std::vector<std::uint32_t> received;
    desktop.SetCommandHandler(w, [&](std::uint32_t id) {
        received.push_back(id);
        desktop.RemoveWindow(w);
    });
    desktop.SendCommand(w, 7);
    desktop.SendCommand(w, 8);
    EXPECT_EQ(received, (std::vector<std::uint32_t>{7}));
}

TEST_F(Desktop, DocumentWindowsAppearAfterTheirDelayOrNever)
{
    WindowHandle main = desktop.AddWindow(0, "Main");
    WindowHandle client = desktop.AddWindow(main, "Client");
    clock.SetTickCount(0xFFFFFF00u);  // the delay is measured across the wrap
    desktop.SetDocumentWindowDelay(12000);
    WindowHandle doc = desktop.AddWindow(client, "a.psd", WindowRole::Document);
    desktop.AddWindow(doc, "inside");

    EXPECT_EQ(Descendants(main), (std::vector<WindowHandle>{client}));
    clock.Idle(11999);
    EXPECT_EQ(Descendants(main).size(), 1u);
    clock.Idle(1);
    EXPECT_EQ(Descendants(main).size(), 3u);

    desktop.SetDocumentWindowDelay(std::nullopt);
    desktop.AddWindow(client, "b.psd", WindowRole::Document);
    clock.Idle(1000000);
    EXPECT_EQ(Descendants(main).size(), 3u);
}

TEST_F(Desktop, CaptureScalesTheContentToTheFixedSizeByNearestPixel)
{
    WindowHandle w = desktop.AddWindow(0, "Doc");
    // 2 x 2: red, green / blue, white.
    desktop.SetContent(w, 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    auto image = desktop.CaptureClientArea(w);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->BitsPerPixel(), 32);
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = image->Pixels() + y * image->BytesPerRow() + x * 4;
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{0, 0, 255, 0}));
    EXPECT_EQ(pixel(99, 79), (std::vector<int>{0, 0, 255, 0}));
    EXPECT_EQ(pixel(100, 79), (std::vector<int>{0, 255, 0, 0}));
    EXPECT_EQ(pixel(0, 80), (std::vector<int>{255, 0, 0, 0}));
    EXPECT_EQ(pixel(199, 159), (std::vector<int>{255, 255, 255, 0}));
    EXPECT_EQ(desktop.CaptureCount(), 1u);

    EXPECT_THROW(desktop.SetContent(w, 2, 2, {1, 2, 3}), std::invalid_argument);
    EXPECT_THROW(desktop.SetContent(w, 0, 0, {}), std::invalid_argument);
}

TEST_F(Desktop, AWindowBroughtToTheFrontCoversTheOthersInACapture)
{
    const WindowHandle main = desktop.AddWindow(0, "Main");
    const WindowHandle document = desktop.AddWindow(main, "Doc");
    desktop.SetSolidContent(document, 10, 20, 30);
    const WindowHandle other = desktop.AddWindow(0, "Other");
    desktop.SetSolidContent(other, 200, 200, 200);
    auto blue = [&] { return desktop.CaptureClientArea(document)->Pixels()[0]; };
    EXPECT_EQ(blue(), 30);
    desktop.BringToFront(other);
    EXPECT_EQ(blue(), 200);
    desktop.BringToFront(main);
    EXPECT_EQ(blue(), 30);
    desktop.BringToFront(other);
    desktop.RemoveWindow(other);
    EXPECT_EQ(blue(), 30);
}

TEST_F(Desktop, OverpaintReplacesTheWholeClientArea)
{
    WindowHandle w = desktop.AddWindow(0, "Doc");
    desktop.SetContent(w, 1, 2, {1, 2, 3, 4, 5, 6});
    desktop.OverpaintClientArea(w, 0x7D147F);
    EXPECT_EQ(desktop.ClientPixel(w, 0, 0), (CVirtualDesktop::Rgb{127, 20, 125}));
    EXPECT_EQ(desktop.ClientPixel(w, 199, 159), (CVirtualDesktop::Rgb{127, 20, 125}));
    EXPECT_EQ(desktop.ClientPixel(w, 200, 0), std::nullopt);
}

TEST_F(Desktop, CaptureFailureSwitchAndDepthLimits)
{
    WindowHandle w = desktop.AddWindow(0, "Doc");
    desktop.SetCaptureFails(true);
    EXPECT_EQ(desktop.CaptureClientArea(w), nullptr);
    EXPECT_EQ(desktop.CaptureCount(), 0u);
    desktop.SetCaptureFails(false);

    EXPECT_THROW(desktop.SetDisplayDepth(0), std::invalid_argument);
    EXPECT_THROW(desktop.SetDisplayDepth(33), std::invalid_argument);
    desktop.SetDisplayDepth(15);  // a depth the comparisons refuse can still be captured
    auto odd = desktop.CaptureClientArea(w);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->BitsPerPixel(), 15);
}

