#pragma once

#include <string>

#include "platform/Platform.h"

namespace vantrel::effects::session {

// What the window searches found; module-wide, cleared before every use.
struct CWindowSearchState {
    platform::WindowHandle mainWindow = 0;
    platform::WindowHandle documentWindow = 0;
    std::string windowName;  // the file name of the document being captured
};

extern CWindowSearchState theWindowSearch;

}  // namespace vantrel::effects::session
