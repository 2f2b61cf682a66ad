#include "platform/win32/Win32MessageBox.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using namespace vantrel::platform;

TEST(Win32MessageBox, ShowsTheTextInUtf16AndWaitsForOk)
{
    std::atomic<bool> shown{false};
    std::wstring seen;
    // A helper plays the user: it finds the dialog, reads its text and presses OK.
    std::thread user([&] {
        for (int attempt = 0; attempt < 500 && !shown; ++attempt) {
            if (HWND box = FindWindowW(L"#32770", L"vantrel")) {
                wchar_t text[256] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                seen = text;
                shown = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(20);
        }
    });
    CWin32MessageBox box;
    box.Show("Start Photoshop \xE5\xA4\xB1\xE8\xB4\xA5!");  // "失败!"
    user.join();
    EXPECT_TRUE(shown);
    EXPECT_EQ(seen, L"Start Photoshop \u5931\u8D25!");
}
