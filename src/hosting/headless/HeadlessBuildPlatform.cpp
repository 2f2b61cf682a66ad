// The build platform wherever no Win32 one stands in (all builds off Windows, and the
// Windows test programs); the build chooses which files bring BuildPlatform.

#include "hosting/headless/HeadlessBuildPlatform.h"

#include "hosting/headless/StudioInstallation.h"
#include "platform/BuildPlatform.h"

namespace vantrel::hosting {

namespace {
// Off Windows the built-in studio plays the image editor, so it comes installed.
struct CPlatformWithStudio {
    platform::CHeadlessPlatform platform;
    std::shared_ptr<CStudioInstallation> studio = CStudioInstallation::Install(platform);
};

CPlatformWithStudio& ThePlatformWithStudio()
{
    static CPlatformWithStudio thePlatformWithStudio;
    return thePlatformWithStudio;
}
}  // namespace

platform::CHeadlessPlatform& DefaultHeadlessPlatform()
{
    return ThePlatformWithStudio().platform;
}

CStudioInstallation& DefaultStudioInstallation()
{
    return *ThePlatformWithStudio().studio;
}

}  // namespace vantrel::hosting

namespace vantrel::platform {

IPlatform& BuildPlatform()
{
    return hosting::DefaultHeadlessPlatform();
}

}  // namespace vantrel::platform
