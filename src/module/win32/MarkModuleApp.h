#pragma once

namespace vantrel {

// The application object of vantrel.dll: constructed at load after thePhotoshopApp and
// destroyed before it. Without an application framework it is a plain class; the DLL's
// entry point calls its instance initialisation and exit.
class CMarkModuleApp {
public:
    CMarkModuleApp() = default;
    ~CMarkModuleApp() = default;
    CMarkModuleApp(const CMarkModuleApp&) = delete;
    CMarkModuleApp& operator=(const CMarkModuleApp&) = delete;

    // Takes the system's ANSI code page for answer keys and names. The module has no class
    // factories to register, so it always succeeds.
    bool InitInstance();
    int ExitInstance();
};

extern CMarkModuleApp theModuleApp;

}  // namespace vantrel
