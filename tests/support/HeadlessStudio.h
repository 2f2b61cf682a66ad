#pragma once

#include <memory>

#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualDesktop.h"
#include "studio/app/StudioApplication.h"

namespace vantrel::testing {

// A studio started on a virtual desktop, with the host's files, as a test fixture's base.
struct HeadlessStudio {
    platform::CVirtualClock clock;
    platform::CVirtualDesktop desktop{clock};
    platform::CHostFiles files;
    std::shared_ptr<studio::app::CStudioApplication> app = studio::app::CStudioApplication::Start(desktop, files);
};

}  // namespace vantrel::testing
