#pragma once

#include <windows.h>

namespace vantrel::hosting {

// A local server's life by COM's rules: every object handed to a client and every
// LockServer(TRUE) holds the process, and when the last of them is let go the server thread
// is told to quit. Off until a program serves clients, so that a test program hosting the
// studio in its own process lives on.
void ServeClientsOn(DWORD serverThread);
void HoldServer();
void ReleaseServer();

// When the last call from a client came (or the serving began), on the tick counter: a
// server whose client vanished without letting go ends after a while without calls.
void NoteClientCall();
DWORD MillisecondsSinceClientCall();

}  // namespace vantrel::hosting
