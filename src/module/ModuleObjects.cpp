#include "effects/session/AutomationDriver.h"
#include "effects/session/WindowSearchState.h"
#ifdef _WIN32
#include "module/win32/MarkModuleApp.h"
#endif

// Constructed empty when the library loads, destroyed when it unloads.
namespace vantrel::effects::session {

CPhotoshopApplication thePhotoshopApp;
CWindowSearchState theWindowSearch;

}  // namespace vantrel::effects::session

#ifdef _WIN32
namespace vantrel {

// After thePhotoshopApp, so that it goes first at unload.
CMarkModuleApp theModuleApp;

}  // namespace vantrel
#endif
