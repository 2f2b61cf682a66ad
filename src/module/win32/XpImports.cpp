// The threads library linked into vantrel.dll imports GetTickCount64, which Windows XP lacks,
// so the DLL would not load there. Its import slot is defined here instead: the linker takes a
// defined symbol before the import library's, and the slot leads to the system's function
// where there is one, else to the 32-bit counter, which is what XP has.

#include <windows.h>

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI TickCount64()
{
    static const auto system = reinterpret_cast<TickCount64Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    return system ? system() : GetTickCount();
}

}  // namespace

#if defined(__i386__)
extern "C" TickCount64Function theTickCount64Import __asm__("__imp__GetTickCount64@0");
#else
extern "C" TickCount64Function theTickCount64Import __asm__("__imp_GetTickCount64");
#endif
TickCount64Function theTickCount64Import = TickCount64;
