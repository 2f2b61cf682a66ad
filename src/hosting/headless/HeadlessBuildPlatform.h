#pragma once

#include "platform/headless/HeadlessPlatform.h"

namespace vantrel::hosting {

class CStudioInstallation;

// The build's own platform off Windows, created on first use with the studio installed.
platform::CHeadlessPlatform& DefaultHeadlessPlatform();
// The studio installed there.
CStudioInstallation& DefaultStudioInstallation();

}  // namespace vantrel::hosting
