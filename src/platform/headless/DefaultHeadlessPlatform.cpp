// The build platform wherever no Win32 one stands in (all builds off Windows, and the
// Windows test programs); the build chooses which files bring BuildPlatform.

#include "platform/BuildPlatform.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/StudioInstallation.h"

namespace vantrel::platform {

namespace {
// Off Windows the built-in studio plays the image editor, so it comes installed.
CHeadlessPlatform& PlatformWithStudio()
{
    static CHeadlessPlatform platform;
    CStudioInstallation::Install(platform);
    return platform;
}
}  // namespace

CHeadlessPlatform& DefaultHeadlessPlatform()
{
    static CHeadlessPlatform& thePlatform = PlatformWithStudio();
    return thePlatform;
}

IPlatform& BuildPlatform()
{
    return DefaultHeadlessPlatform();
}

}  // namespace vantrel::platform
