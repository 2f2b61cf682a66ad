#include "effects/AutomationDriver.h"
#include "effects/WindowSearchState.h"

namespace vantrel {

// Constructed empty when the library loads, destroyed when it unloads.
CPhotoshopApplication thePhotoshopApp;
CWindowSearchState theWindowSearch;

}  // namespace vantrel
