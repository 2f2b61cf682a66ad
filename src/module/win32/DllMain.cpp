#include "module/win32/MarkModuleApp.h"

#include <windows.h>

// The runtime has constructed the module-wide objects before this runs at attach, and
// destroys them after it runs at detach.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return vantrel::theModuleApp.InitInstance() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        vantrel::theModuleApp.ExitInstance();
        break;
    default:
        break;
    }
    return TRUE;
}
