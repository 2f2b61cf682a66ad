#include "platform/win32/Win32Automation.h"

#include <windows.h>

#include <memory>

#include <gtest/gtest.h>

#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualDesktop.h"
#include "platform/win32/Win32Files.h"
#include "hosting/win32/AutomationClassFactory.h"
#include "studio/app/StudioApplication.h"
#include "studio/app/StudioApplicationObject.h"
#include "studio/app/StudioAutomationIds.h"
#include "support/PsdWriter.h"
#include "support/TempDirectory.h"

using namespace vantrel;
using namespace vantrel::platform;
using namespace vantrel::hosting;

namespace {

// The studio offered to COM in this process under a class and ProgID of the tests' own, apart
// from the studio program's registration, which another test makes.
class Win32AutomationTest : public ::testing::Test {
protected:
    static constexpr const char* kClassId = "{9C4E2B71-5D3A-4F08-B6E2-1A7C3D5E9F42}";

    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Vantrel.TestStudio\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClassId), 39);
        RegCloseKey(key);
        CLSID classId{};
        ASSERT_EQ(CLSIDFromString(L"{9C4E2B71-5D3A-4F08-B6E2-1A7C3D5E9F42}", &classId), S_OK);
        registration_ = std::make_unique<CClassObjectRegistration>(
            classId, [this] { return std::make_shared<studio::app::CStudioApplicationObject>(app_); });
        ASSERT_TRUE(registration_->IsRegistered());
    }
    void TearDown() override
    {
        registration_.reset();
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "Vantrel.TestStudio");
        CoUninitialize();
    }
    AutomationRef Connect() { return CWin32Automation().CreateObject("Vantrel.TestStudio"); }

    CVirtualClock clock_;
    CVirtualDesktop desktop_{clock_};
    CWin32Files files_;
    std::shared_ptr<studio::app::CStudioApplication> app_ = studio::app::CStudioApplication::Start(desktop_, files_);
    std::unique_ptr<CClassObjectRegistration> registration_;
    vantrel::testing::TempDirectory dir_;
};

TEST_F(Win32AutomationTest, DrivesTheStudioByDispidThroughCom)
{
    vantrel::testing::PsdSpec psd;
    psd.width = 40;
    psd.height = 30;
    vantrel::testing::FillPlanes(psd, [](int, int, int) { return 90; });
    vantrel::testing::WriteFile(dir_ / "FLOWER.PSD", vantrel::testing::WritePsd(psd));

    AutomationRef photoshop = Connect();
    ASSERT_NE(photoshop, nullptr);
    photoshop->Invoke(studio::app::kDispidAppFlag, kDispatchPropertyPut, {Variant::Bool(true)});
    EXPECT_TRUE(app_->AppFlag());
    const Variant document =
        photoshop->Invoke(studio::app::kDispidOpenDocument, kDispatchMethod, {Variant::String(dir_ / "FLOWER.PSD")});
    ASSERT_EQ(document.type, Variant::Type::Dispatch);
    ASSERT_NE(document.object, nullptr);
    EXPECT_EQ(app_->OpenDocumentCount(), 1u);
    document.object->Invoke(studio::app::kDispidEndDocument, kDispatchMethod, {});
    EXPECT_EQ(app_->OpenDocumentCount(), 0u);
    photoshop->Invoke(studio::app::kDispidEndApplication, kDispatchMethod, {});
    EXPECT_FALSE(app_->IsRunning());
}

TEST_F(Win32AutomationTest, ServerErrorsArriveWithTheirTextInTheCodePage)
{
    AutomationRef photoshop = Connect();
    ASSERT_NE(photoshop, nullptr);
    // A name in the ANSI code page goes out as a BSTR and comes back in the server's message.
    const std::string name = GetACP() == 936 ? "C:\\missing\\\xB2\xE2\xCA\xD4.psd" : "C:\\missing\\test.psd";
    try {
        photoshop->Invoke(studio::app::kDispidOpenDocument, kDispatchMethod, {Variant::String(name)});
        ADD_FAILURE() << "a document that cannot be opened was opened";
    } catch (const AutomationError& error) {
        EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
    EXPECT_THROW(photoshop->Invoke(0x7777, kDispatchMethod, {}), AutomationError);
    EXPECT_EQ(CWin32Automation().CreateObject("Vantrel.NoSuchServer"), nullptr);
}

}  // namespace
