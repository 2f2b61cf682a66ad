#include "hosting/win32/ServerLifetime.h"

#include <objbase.h>

#include <atomic>

namespace vantrel::hosting {

namespace {

std::atomic<DWORD> theServerThread{0};
std::atomic<DWORD> theLastCall{0};

}  // namespace

void ServeClientsOn(DWORD serverThread)
{
    theServerThread = serverThread;
    NoteClientCall();
}

void HoldServer()
{
    if (theServerThread != 0) CoAddRefServerProcess();
}

void ReleaseServer()
{
    if (theServerThread != 0 && CoReleaseServerProcess() == 0) PostThreadMessageA(theServerThread, WM_QUIT, 0, 0);
}

void NoteClientCall() { theLastCall = GetTickCount(); }

// Unsigned subtraction, so that a tick counter that wraps still gives the time passed.
DWORD MillisecondsSinceClientCall() { return GetTickCount() - theLastCall; }

}  // namespace vantrel::hosting
