#include "studio/app/StudioApplication.h"

#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualDesktop.h"
#include "platform/headless/HeadlessPlatform.h"
#include "studio/app/StudioMenus.h"
#include "HeadlessStudio.h"
#include "PsdWriter.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

using vantrel::studio::app::CStudioApplication;
using vantrel::studio::app::Palette;

using namespace vantrel;
using namespace vantrel::studio::app;

namespace {
struct Application : ::testing::Test, vantrel::testing::HeadlessStudio {
    vantrel::testing::TempDirectory dir;

    std::string WriteGreyDocument(const std::string& name, int width, int height)
    {
        vantrel::testing::PsdSpec psd;
        psd.width = width;
        psd.height = height;
        psd.channels = 1;
        psd.colorMode = 1;
        vantrel::testing::FillPlanes(psd, [](int, int, int) { return 90; });
        vantrel::testing::WriteFile(dir / name, vantrel::testing::WritePsd(psd));
        return dir / name;
    }
};
}  // namespace

TEST_F(Application, OpensDocumentsUnderTheDocumentAreaWithTheirModeInTheTitle)
{
    WriteGreyDocument("Grey.psd", 40, 30);
    std::string reason;
    // The studio resolves the code-page path itself; separators of either kind work.
    const int doc = app->OpenDocument(dir.Path().string() + "\\GREY.PSD", reason);
    ASSERT_NE(doc, 0) << reason;
    const platform::WindowHandle window = app->DocumentWindow(doc);
    EXPECT_EQ(desktop.WindowTitle(window, 499), "GREY.PSD @ 100% (Grayscale)");
    EXPECT_EQ(desktop.ClientPixel(window, 199, 159), (platform::CVirtualDesktop::Rgb{90, 90, 90}));

    const int again = app->OpenDocument(dir / "Grey.psd", reason);
    EXPECT_NE(again, doc);
    EXPECT_EQ(app->OpenDocumentCount(), 2u);
    EXPECT_TRUE(app->CloseDocument(doc));
    EXPECT_FALSE(app->CloseDocument(doc));
    EXPECT_FALSE(desktop.IsWindow(window));
    EXPECT_TRUE(app->IsDocumentOpen(again));
}

TEST_F(Application, WindowMenuCommandsActOnPalettesAndDocuments)
{
    WriteGreyDocument("a.psd", 4, 4);
    std::string reason;
    const int doc = app->OpenDocument(dir / "a.psd", reason);
    const platform::WindowHandle main = app->MainWindow();

    desktop.SendCommand(main, command::kHideTools);
    desktop.SendCommand(main, command::kHideNavigator);
    desktop.SendCommand(main, command::kResetPalettes);
    EXPECT_FALSE(app->IsPaletteVisible(Palette::Tools));
    EXPECT_FALSE(app->IsPaletteVisible(Palette::Navigator));
    EXPECT_TRUE(app->IsPaletteVisible(Palette::Color));

    desktop.SendCommand(main, platform::kSubmenuItemId);  // a stray id is recorded, nothing more
    desktop.SendCommand(main, command::kCloseAll);
    EXPECT_FALSE(app->IsDocumentOpen(doc));
    EXPECT_TRUE(app->IsRunning());

    desktop.SendCommand(main, command::kExit);
    EXPECT_FALSE(app->IsRunning());
    EXPECT_EQ(desktop.WindowCount(), 0u);
    EXPECT_EQ(app->ReceivedCommands(),
              (std::vector<std::uint32_t>{command::kHideTools, command::kHideNavigator, command::kResetPalettes,
                                          platform::kSubmenuItemId, command::kCloseAll, command::kExit}));
    EXPECT_EQ(app->OpenDocument(dir / "a.psd", reason), 0);  // an ended instance opens nothing
}

TEST_F(Application, WindowsThatOutliveTheInstanceIgnoreCommands)
{
    const platform::WindowHandle main = app->MainWindow();
    app.reset();
    desktop.SendCommand(main, command::kExit);
    EXPECT_TRUE(desktop.IsWindow(main));
}
