#include "platform/BuildPlatform.h"

namespace vantrel::platform {

namespace {
// Module-wide: replaced only by tests and by a batch worker watching its grading, and never
// while a grading call runs.
IPlatform* theInstalledPlatform = nullptr;
}  // namespace

IPlatform& ActivePlatform()
{
    return theInstalledPlatform ? *theInstalledPlatform : BuildPlatform();
}

IPlatform* InstallPlatform(IPlatform* platform)
{
    IPlatform* previous = theInstalledPlatform;
    theInstalledPlatform = platform;
    return previous ? previous : &BuildPlatform();
}

}  // namespace vantrel::platform
