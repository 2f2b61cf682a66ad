#include "platform/headless/VirtualRegistry.h"

#include <gtest/gtest.h>

using namespace vantrel::platform;

TEST(VirtualRegistry, ReadsValuesWithoutRegardToCaseOfKeysAndNames)
{
    CVirtualRegistry registry;
    registry.SetString(RegistryRoot::ClassesRoot, "Photoshop.Application\\CLSID", "", "{ABC}");
    registry.SetValue(RegistryRoot::LocalMachine, "Software\\Vendor", "Path", kRegExpandSz, "%ROOT%");

    auto byDefault = registry.ReadValue(RegistryRoot::ClassesRoot, "PHOTOSHOP.APPLICATION\\clsid", "", 1024);
    ASSERT_TRUE(byDefault);
    EXPECT_EQ(byDefault->type, kRegSz);
    EXPECT_EQ(byDefault->bytes, "{ABC}");

    auto named = registry.ReadValue(RegistryRoot::LocalMachine, "SOFTWARE\\VENDOR", "path", 1024);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->type, kRegExpandSz);
    EXPECT_EQ(named->bytes, "%ROOT%");
}

TEST(VirtualRegistry, DistinguishesMissingKeyFromMissingValue)
{
    CVirtualRegistry registry;
    registry.SetString(RegistryRoot::ClassesRoot, "CLSID\\{X}\\LocalServer32", "", "a.exe");

    // The key exists under the other root only.
    EXPECT_FALSE(registry.ReadValue(RegistryRoot::LocalMachine, "CLSID\\{X}\\LocalServer32", "", 1024));
    EXPECT_FALSE(registry.ReadValue(RegistryRoot::ClassesRoot, "CLSID\\{Y}", "", 1024));

    // A parent key exists as soon as something below it does, but has no default value.
    auto parent = registry.ReadValue(RegistryRoot::ClassesRoot, "clsid\\{x}", "", 1024);
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->type, kRegNone);
    EXPECT_EQ(parent->bytes, "");

    auto otherName = registry.ReadValue(RegistryRoot::ClassesRoot, "CLSID\\{X}\\LocalServer32", "Other", 1024);
    ASSERT_TRUE(otherName);
    EXPECT_EQ(otherName->type, kRegNone);
}

TEST(VirtualRegistry, TruncatesToLeaveRoomForTheTerminator)
{
    CVirtualRegistry registry;
    registry.SetString(RegistryRoot::ClassesRoot, "K", "", "abcdef");
    EXPECT_EQ(registry.ReadValue(RegistryRoot::ClassesRoot, "K", "", 4)->bytes, "abc");
    EXPECT_EQ(registry.ReadValue(RegistryRoot::ClassesRoot, "K", "", 1)->bytes, "");
    EXPECT_EQ(registry.ReadValue(RegistryRoot::ClassesRoot, "K", "", 0)->bytes, "");
    EXPECT_EQ(registry.ReadValue(RegistryRoot::ClassesRoot, "K", "", 7)->bytes, "abcdef");
}

TEST(VirtualRegistry, DeleteKeyRemovesTheSubtreeOnly)
{
    CVirtualRegistry registry;
    registry.SetString(RegistryRoot::ClassesRoot, "A\\B\\C", "", "1");
    registry.SetString(RegistryRoot::ClassesRoot, "A\\BC", "", "2");
    registry.DeleteKey(RegistryRoot::ClassesRoot, "a\\b");

    EXPECT_FALSE(registry.ReadValue(RegistryRoot::ClassesRoot, "A\\B", "", 16));
    EXPECT_FALSE(registry.ReadValue(RegistryRoot::ClassesRoot, "A\\B\\C", "", 16));
    ASSERT_TRUE(registry.ReadValue(RegistryRoot::ClassesRoot, "A\\BC", "", 16));
    EXPECT_EQ(registry.ReadValue(RegistryRoot::ClassesRoot, "A\\BC", "", 16)->bytes, "2");
}
