// A program that comes up slowly: it shows a window titled by its argument one second after it
// starts, then waits for messages until the window is closed or half a minute has passed. A
// launcher that returns before the program is ready for input finds no such window yet.
//   usage: vantrel_late_window TITLE
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR title, int)
{
    Sleep(1000);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "VantrelLateWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("VantrelLateWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    SetTimer(nullptr, 0, 30000, nullptr);
    MSG message;
    while (IsWindow(window) && GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER)
        DispatchMessageA(&message);
    return 0;
}
