#include <windows.h>

#include "platform/win32/Win32Automation.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualDesktop.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Platform.h"
#include "effects/session/AutomationDriver.h"
#include "ScopedPlatform.h"
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

// What a type-library server answers to a client that calls it wrongly.
HRESULT RawInvoke(IDispatch* dispatch, DISPID member, WORD flags, std::vector<VARIANT> args, bool namePut,
                  REFIID interfaceId = IID_NULL)
{
    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{args.data(), namePut ? &putName : nullptr, static_cast<UINT>(args.size()), namePut ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    UINT badArgument = 0;
    const HRESULT status =
        dispatch->Invoke(member, interfaceId, LOCALE_USER_DEFAULT, flags, &parameters, &result, nullptr, &badArgument);
    VariantClear(&result);
    return status;
}

TEST_F(Win32AutomationTest, TheStudioRefusesCallsAsStrictlyAsATypeLibraryServer)
{
    CLSID classId{};
    ASSERT_EQ(CLSIDFromString(L"{9C4E2B71-5D3A-4F08-B6E2-1A7C3D5E9F42}", &classId), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&dispatch)),
              S_OK);
    VARIANT yes;
    V_VT(&yes) = VT_BOOL;
    V_BOOL(&yes) = VARIANT_TRUE;
    VARIANT one;
    V_VT(&one) = VT_I4;
    V_I4(&one) = 1;
    VARIANT object;
    V_VT(&object) = VT_DISPATCH;
    V_DISPATCH(&object) = nullptr;
    const WORD put = DISPATCH_PROPERTYPUT, method = DISPATCH_METHOD;
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidAppFlag, put, {yes}, false), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidAppFlag, put, {yes, yes}, true), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidAppFlag, method, {yes}, false), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidAppFlag, put, {yes}, true, IID_IDispatch),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidOpenDocument, method, {object}, false), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidEndApplication, method, {yes}, false), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(RawInvoke(dispatch, 0x7777, method, {}, false), DISP_E_MEMBERNOTFOUND);
    EXPECT_FALSE(app_->AppFlag());
    // A value that converts is taken, as the editor's own dispatch code takes it.
    EXPECT_EQ(RawInvoke(dispatch, studio::app::kDispidAppFlag, put, {one}, true), S_OK);
    EXPECT_TRUE(app_->AppFlag());
    dispatch->Release();
}

// A server that writes a status into every result slot it is given, and answers OpenDocument
// with an IUnknown: the framework's driver asks for no result where none is used and converts
// the rest, so neither may fail the grader's calls.
class CResultWritingServer final : public CComObject<IDispatch, IID_IDispatch> {
public:
    explicit CResultWritingServer(VARTYPE statusType) : statusType_(statusType) {}
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (result == nullptr) return S_OK;
        if (member == studio::app::kDispidOpenDocument) {
            V_VT(result) = VT_UNKNOWN;
            V_UNKNOWN(result) = new CResultWritingServer(statusType_);
        } else {
            V_VT(result) = statusType_;
            V_I4(result) = statusType_ == VT_ERROR ? DISP_E_PARAMNOTFOUND : 1;
        }
        return S_OK;
    }

private:
    VARTYPE statusType_;
};

class CResultWritingFactory final : public CComObject<IClassFactory, IID_IClassFactory> {
public:
    explicit CResultWritingFactory(VARTYPE statusType) : statusType_(statusType) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID interfaceId, void** object) override
    {
        IDispatch* server = new CResultWritingServer(statusType_);
        const HRESULT status = server->QueryInterface(interfaceId, object);
        server->Release();
        return status;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    VARTYPE statusType_;
};

TEST(Win32AutomationResults, TakenAsTheFrameworksDriverTakesThem)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const char* progId = "Vantrel.TestResults";
    const wchar_t* classText = L"{3B0F6E2A-8C41-4D7E-A5B3-9E1C2F4D6A80}";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Vantrel.TestResults\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("{3B0F6E2A-8C41-4D7E-A5B3-9E1C2F4D6A80}"), 39);
    RegCloseKey(key);
    CLSID classId{};
    ASSERT_EQ(CLSIDFromString(classText, &classId), S_OK);
    for (VARTYPE status : {VT_I4, VT_ERROR}) {
        auto* factory = new CResultWritingFactory(status);
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(classId, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
        factory->Release();
        {
            vantrel::testing::ScopedPlatform<CWin32Platform> windows;
            effects::session::CPhotoshopApplication application;
            ASSERT_TRUE(application.CreateDispatch(progId));
            EXPECT_NO_THROW(application.PutAppFlag(true));
            effects::session::CPhotoshopDocument document;
            EXPECT_NO_THROW(document.AttachDispatch(application.OpenDocument("C:\\A.PSD"))) << status;
            EXPECT_FALSE(document.IsEmpty());
            EXPECT_NO_THROW(document.EndDocument()) << status;
            EXPECT_NO_THROW(application.EndApplication()) << status;
        }
        CoRevokeClassObject(cookie);
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, progId);
    CoUninitialize();
}

}  // namespace
