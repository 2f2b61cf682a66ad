#include "platform/win32/Win32Desktop.h"

#include <windows.h>

#include <new>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "platform/CaptureImage.h"

using namespace vantrel::platform;

namespace {

constexpr UINT kOpenId = 101;
constexpr UINT kCloseId = 102;
std::vector<WPARAM> commands;

// Quadrants of distinct colours, so that any way of dropping or merging pixels at 2:1 keeps
// each quadrant's colour away from the edges between them.
const COLORREF kQuadrants[4] = {RGB(200, 30, 10), RGB(10, 180, 40), RGB(20, 40, 220), RGB(250, 250, 0)};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        commands.push_back(wParam);
        return 0;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        for (int q = 0; q < 4; ++q) {
            RECT part = {q % 2 ? client.right / 2 : 0, q / 2 ? client.bottom / 2 : 0,
                         q % 2 ? client.right : client.right / 2, q / 2 ? client.bottom : client.bottom / 2};
            HBRUSH brush = CreateSolidBrush(kQuadrants[q]);
            FillRect(dc, &part, brush);
            DeleteObject(brush);
        }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = TestWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VantrelDesktopTest";
        RegisterClassA(&windowClass);
        HMENU file = CreatePopupMenu();
        AppendMenuA(file, MF_STRING, kOpenId, "\xB4\xF2\xBF\xAA");  // GBK for 打开
        AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(file, MF_STRING, kCloseId, "Close");
        HMENU bar = CreateMenu();
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "File");
        main_ = CreateWindowA("VantrelDesktopTest", "Adobe Photoshop - test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              640, 480, nullptr, bar, windowClass.hInstance, nullptr);
        ASSERT_NE(main_, nullptr);
        document_ = CreateWindowA("VantrelDesktopTest", "photo.psd", WS_CHILD | WS_VISIBLE, 0, 0, 400, 320, main_,
                                  nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(document_, nullptr);
        UpdateWindow(main_);
        UpdateWindow(document_);
        commands.clear();
    }
    void TearDown() override
    {
        if (main_) DestroyWindow(main_);
    }
    static WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
    static const std::uint8_t* PixelAt(const vantrel::platform::CCaptureImage& image, int x, int y)
    {
        return image.Pixels() + y * image.BytesPerRow() + x * 4;
    }

    CWin32Desktop desktop_;
    HWND main_ = nullptr;
    HWND document_ = nullptr;
};

TEST_F(Win32DesktopTest, FindsWindowsAndReadsTheirTitles)
{
    bool found = false;
    desktop_.EnumTopLevelWindows([&](WindowHandle window) {
        found = window == Handle(main_);
        return !found;
    });
    EXPECT_TRUE(found);
    int calls = 0;
    desktop_.EnumDescendantWindows(Handle(main_), [&](WindowHandle window) {
        ++calls;
        EXPECT_EQ(window, Handle(document_));
        return false;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(desktop_.WindowTitle(Handle(main_), 199), "Adobe Photoshop - test");
    EXPECT_EQ(desktop_.WindowTitle(Handle(main_), 5), "Adobe");
}

// Nothing may unwind through user32's frames: the walk stops and the exception arrives after.
TEST_F(Win32DesktopTest, AnExceptionInACallbackStopsTheWalkAndArrivesAfterIt)
{
    int calls = 0;
    EXPECT_THROW(desktop_.EnumTopLevelWindows([&](WindowHandle) -> bool {
        ++calls;
        throw std::runtime_error("from a callback");
    }),
                 std::runtime_error);
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(desktop_.EnumDescendantWindows(Handle(main_), [](WindowHandle) -> bool { throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_NO_THROW(desktop_.EnumTopLevelWindows([](WindowHandle) { return false; }));
}

TEST_F(Win32DesktopTest, WalksTheMenuByPositionAndSendsCommands)
{
    const MenuHandle bar = desktop_.MenuBar(Handle(main_));
    ASSERT_NE(bar, 0u);
    EXPECT_EQ(desktop_.MenuItemCount(bar), 1);
    EXPECT_EQ(desktop_.MenuItemId(bar, 0), kSubmenuItemId);
    const MenuHandle file = desktop_.SubMenu(bar, 0);
    ASSERT_NE(file, 0u);
    EXPECT_EQ(desktop_.MenuItemCount(file), 3);
    EXPECT_EQ(desktop_.MenuItemId(file, 0), kOpenId);
    EXPECT_EQ(desktop_.MenuItemId(file, 1), 0u);
    EXPECT_EQ(desktop_.MenuItemText(file, 0, 99), "\xB4\xF2\xBF\xAA");
    EXPECT_EQ(desktop_.MenuItemText(file, 2, 3), "Clo");
    EXPECT_EQ(desktop_.MenuItemCount(desktop_.SubMenu(file, 0)), -1);
    desktop_.SendCommand(Handle(main_), kCloseId);
    EXPECT_EQ(commands, std::vector<WPARAM>{kCloseId});
}

TEST_F(Win32DesktopTest, CapturesTheClientAreaAt200x160AndOverpaintsIt)
{
    auto capture = desktop_.CaptureClientArea(Handle(document_));
    ASSERT_NE(capture, nullptr);
    if (capture->BitsPerPixel() != 32) GTEST_SKIP() << "the display is not 32 bits per pixel";
    ASSERT_EQ(capture->BytesPerRow(), 800);
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t* pixel = PixelAt(*capture, q % 2 ? 150 : 50, q / 2 ? 120 : 40);
        EXPECT_EQ(pixel[0], GetBValue(kQuadrants[q])) << q;
        EXPECT_EQ(pixel[1], GetGValue(kQuadrants[q])) << q;
        EXPECT_EQ(pixel[2], GetRValue(kQuadrants[q])) << q;
    }
    desktop_.OverpaintClientArea(Handle(document_), RGB(127, 20, 125));
    capture = desktop_.CaptureClientArea(Handle(document_));
    ASSERT_NE(capture, nullptr);
    for (int y = 0; y < capture->Height(); ++y)
        for (int x = 0; x < capture->Width(); ++x) {
            const std::uint8_t* pixel = PixelAt(*capture, x, y);
            ASSERT_TRUE(pixel[0] == 125 && pixel[1] == 20 && pixel[2] == 127) << x << "," << y;
        }
}

}  // namespace
