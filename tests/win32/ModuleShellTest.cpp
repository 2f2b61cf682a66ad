// vantrel.dll as a host loads it: the COM-server entry points, its resources, and grading
// through the C interface against the same grading linked into this program.

#include "support/ExamFolders.h"
#include "support/ScopedPlatform.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <vector>

using namespace vantrel::testing;

namespace {

class ModuleShellTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module = LoadLibraryA("vantrel.dll"); }
    static void TearDownTestSuite() { FreeLibrary(module); }
    void SetUp() override { ASSERT_NE(module, nullptr) << "vantrel.dll next to the test program"; }

    template <typename F>
    static F Export(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    static HMODULE module;
};
HMODULE ModuleShellTest::module = nullptr;

}  // namespace

TEST_F(ModuleShellTest, AnswersAsAServerWithNoClasses)
{
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using NoArguments = HRESULT(WINAPI*)();
    auto getClassObject = Export<GetClassObject>("DllGetClassObject");
    auto canUnloadNow = Export<NoArguments>("DllCanUnloadNow");
    auto registerServer = Export<NoArguments>("DllRegisterServer");
    ASSERT_TRUE(getClassObject && canUnloadNow && registerServer);
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(getClassObject(CLSID_NULL, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(registerServer(), S_OK);
    EXPECT_EQ(GetProcAddress(module, "DllUnregisterServer"), nullptr);
}

TEST_F(ModuleShellTest, CarriesAnEmptyTypeLibraryAndASelfRegisteringVersion)
{
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(module, path, MAX_PATH), 0u);
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library), S_OK);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 1033u);
    EXPECT_NE(attributes->guid, GUID_NULL);
    library->ReleaseTLibAttr(attributes);
    EXPECT_EQ(library->GetTypeInfoCount(), 0u);
    BSTR name = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"Vantrel");
    SysFreeString(name);
    library->Release();

    std::vector<char> version(GetFileVersionInfoSizeW(path, nullptr));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(version.size()), version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    wchar_t* selfRegister = nullptr;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\080404B0\\OLESelfRegister",
                               reinterpret_cast<void**>(&selfRegister), &length));
    EXPECT_STREQ(selfRegister, L"");
}

TEST_F(ModuleShellTest, GradesAPropertyExamAsTheLinkedLibraryDoes)
{
    using GetMark = double (*)(const char*, const char*, const char*);
    auto getMark = Export<GetMark>("vantrel_get_mark");
    ASSERT_NE(getMark, nullptr);
#if defined(__i386__)
    const char* microsoftNames[] = {"?GetMark@CQelMarkPhotoShop@@QAENPBD00@Z", "??0CQelMarkPhotoShop@@QAE@XZ"};
#else
    const char* microsoftNames[] = {"?GetMark@CQelMarkPhotoShop@@QEAANPEBD00@Z", "??0CQelMarkPhotoShop@@QEAA@XZ"};
#endif
    for (const char* name : {microsoftNames[0], microsoftNames[1], "_ZN17CQelMarkPhotoShop7GetMarkEPKcS1_S1_",
                             "_ZN17CQelMarkPhotoShopC1Ev", "vantrel_set_codepage"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;

    ScopedPlatform<> platform;
    ExamFolders exam;
    exam.WriteAnswer("ANSWER1.PSD", HeaderOnly(640, 480, 3, 3));
    exam.WriteAnswer("ANSWER2.PSD", HeaderOnly(1024, 768, 1, 1));
    const std::string key = AnswerKey({"DESTFILE=answer1.psd", "&&2 IMAGE(WIDTH=640 HEIGHT=480)",
                                       "&&1.3 IMAGE(COLORMODE=RGB CHANNEL=3..4)", "&&D&&", "DESTFILE=ANSWER2.PSD",
                                       "&&2.7 IMAGE(WIDTH=800|1024 COLORMODE=GRAYSCALE)", "&&3 IMAGE(HEIGHT>768)"});
    const double linked = exam.Grade(key);
    EXPECT_EQ(linked, (2 + 1.3 + 2.7) * 0.1);
    EXPECT_EQ(getMark(key.c_str(), exam.AnswerDirectory().c_str(), exam.KeyDirectory().c_str()), linked);
    EXPECT_EQ(getMark(nullptr, nullptr, nullptr), 0);
}
