#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace vantrel::platform;

namespace {

// A key of this test's own under HKEY_LOCAL_MACHINE, deleted again at the end.
class Win32RegistryTest : public ::testing::Test {
protected:
    const std::string subKey = "SOFTWARE\\vantrel-test-" + std::to_string(GetCurrentProcessId());

    void SetUp() override
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        Set(key, "", REG_SZ, std::string("default value\0", 14));
        Set(key, "ApplicationPath", REG_SZ, std::string("C:\\Program Files\\Editor\\\0", 25));
        Set(key, "Expandable", REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13));
        Set(key, "Long", REG_SZ, std::string(3000, 'x') + '\0');
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, subKey.c_str()); }

    static void Set(HKEY key, const char* name, DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    CWin32Registry registry;
};

}  // namespace

TEST_F(Win32RegistryTest, ReadsWhatWasWrittenWithItsType)
{
    auto value = registry.ReadValue(RegistryRoot::LocalMachine, subKey, "ApplicationPath", 1024);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->bytes, std::string("C:\\Program Files\\Editor\\\0", 25));

    value = registry.ReadValue(RegistryRoot::LocalMachine, subKey, "", 1024);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->bytes.substr(0, 13), "default value");

    value = registry.ReadValue(RegistryRoot::LocalMachine, subKey, "Expandable", 1024);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegExpandSz);
}

TEST_F(Win32RegistryTest, MissingKeysValuesAndOversizedValuesReadAsNothing)
{
    EXPECT_FALSE(registry.ReadValue(RegistryRoot::LocalMachine, subKey + "\\Missing", "", 1024));
    auto value = registry.ReadValue(RegistryRoot::LocalMachine, subKey, "Missing", 1024);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegNone);
    // Larger than the buffer offered: the reader gets no part of it.
    value = registry.ReadValue(RegistryRoot::LocalMachine, subKey, "Long", 1024);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegNone);
    EXPECT_TRUE(value->bytes.empty());
}
