#include "module/win32/MarkModuleApp.h"

#include <windows.h>

// The runtime has constructed the module-wide objects before this runs at attach, and
// destroys them after it runs at detach.
// Thread notifications stay on: the DLL has a TLS directory, and with a static runtime they
// must reach it.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return vantrel::theModuleApp.InitInstance() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        vantrel::theModuleApp.ExitInstance();
        break;
    default:
        break;
    }
    return TRUE;
}
