#ifndef _WIN32

#include "platform/BuildPlatform.h"
#include "platform/headless/HeadlessPlatform.h"

namespace vantrel::platform {

IPlatform& BuildPlatform()
{
    static CHeadlessPlatform thePlatform;
    return thePlatform;
}

}  // namespace vantrel::platform

#endif
