#include "platform/Platform.h"
#include "platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

using namespace vantrel::platform;

TEST(ActivePlatform, InstalledPlatformReplacesTheBuildsOwnUntilRemoved)
{
    IPlatform& own = ActivePlatform();
    EXPECT_EQ(&ActivePlatform(), &own);  // the same one each time

    CHeadlessPlatform first, second;
    EXPECT_EQ(InstallPlatform(&first), &own);
    EXPECT_EQ(&ActivePlatform(), &first);
    EXPECT_EQ(InstallPlatform(&second), &first);
    EXPECT_EQ(&ActivePlatform(), &second);

    InstallPlatform(nullptr);
    EXPECT_EQ(&ActivePlatform(), &own);
}
