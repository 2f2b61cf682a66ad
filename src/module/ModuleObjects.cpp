#include "effects/session/AutomationDriver.h"
#include "effects/session/WindowSearchState.h"
#ifdef _WIN32
#include "module/win32/MarkModuleApp.h"
#endif

namespace vantrel {

// Constructed empty when the library loads, destroyed when it unloads.
CPhotoshopApplication thePhotoshopApp;
CWindowSearchState theWindowSearch;
#ifdef _WIN32
// After thePhotoshopApp, so that it goes first at unload.
CMarkModuleApp theModuleApp;
#endif

}  // namespace vantrel
