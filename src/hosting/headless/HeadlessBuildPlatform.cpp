// The build platform wherever no Win32 one stands in (all builds off Windows, and the
// Windows test programs); the build chooses which files bring BuildPlatform.

#include "hosting/headless/HeadlessBuildPlatform.h"

#include "hosting/headless/StudioInstallation.h"
#include "platform/BuildPlatform.h"

namespace vantrel::hosting {

namespace {
// Off Windows the built-in studio plays the image editor, so it comes installed.
platform::CHeadlessPlatform& PlatformWithStudio()
{
    static platform::CHeadlessPlatform platform;
    CStudioInstallation::Install(platform);
    return platform;
}
}  // namespace

platform::CHeadlessPlatform& DefaultHeadlessPlatform()
{
    static platform::CHeadlessPlatform& thePlatform = PlatformWithStudio();
    return thePlatform;
}

}  // namespace vantrel::hosting

namespace vantrel::platform {

IPlatform& BuildPlatform()
{
    return hosting::DefaultHeadlessPlatform();
}

}  // namespace vantrel::platform
