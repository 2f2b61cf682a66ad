#pragma once

#include "platform/headless/HeadlessPlatform.h"

namespace vantrel::hosting {

// The build's own platform off Windows, created on first use with the studio installed.
platform::CHeadlessPlatform& DefaultHeadlessPlatform();

}  // namespace vantrel::hosting
