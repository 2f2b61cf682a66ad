#include <gtest/gtest.h>

#include "effects/session/AutomationDriver.h"
#include "effects/session/HostControl.h"
#include "effects/session/WaitSeconds.h"
#include "effects/session/WindowSearchState.h"
#include "grading/MarkSession.h"
#include "ScopedPlatform.h"
#include "text/CodePage.h"

namespace {

using vantrel::effects::session::CPhotoshopApplication;
using vantrel::effects::session::thePhotoshopApp;
using vantrel::effects::session::theWindowSearch;
using vantrel::platform::CCaptureImage;
using vantrel::platform::MenuItemSpec;
using vantrel::platform::Variant;
using vantrel::platform::WindowHandle;

// An editor that opens whatever path it is given and shows nothing of its own: the test puts
// the document windows under the main window. The paths it opened are recorded.
class CAnyDocumentEditor : public vantrel::platform::IAutomationObject {
public:
    explicit CAnyDocumentEditor(std::shared_ptr<std::vector<std::string>> opened) : opened_(std::move(opened)) {}
    Variant Invoke(std::int32_t dispid, std::uint16_t, const std::vector<Variant>& args) override
    {
        if (dispid != CPhotoshopApplication::kOpenDocument || args.empty()) return {};
        opened_->push_back(args[0].text);
        return Variant::Dispatch(std::make_shared<CAnyDocumentEditor>(opened_));
    }

private:
    std::shared_ptr<std::vector<std::string>> opened_;
};

class HostControlTest : public ::testing::Test {
protected:
    void TearDown() override { thePhotoshopApp.ReleaseDispatch(); }
    // Connects the application driver to an editor whose main window is the one given.
    void ConnectEditor(WindowHandle main)
    {
        thePhotoshopApp.AttachDispatch(std::make_shared<CAnyDocumentEditor>(opened));
        theWindowSearch.mainWindow = main;
    }

    vantrel::platform::CVirtualDesktop& Desktop() { return platform->Desktop(); }

    // A top-level window whose eighth menu holds the given items; commands are recorded.
    WindowHandle AddEditorWindow(const std::string& title, std::vector<MenuItemSpec> items)
    {
        WindowHandle window = Desktop().AddWindow(0, title);
        std::vector<MenuItemSpec> bar(8, MenuItemSpec{0, "Menu", {{1, "Item"}}});
        bar[7] = MenuItemSpec{0, "Window", std::move(items)};
        Desktop().SetMenuBar(window, bar);
        Desktop().SetCommandHandler(window, [this, window](std::uint32_t id) { sent.emplace_back(window, id); });
        return window;
    }

    vantrel::testing::ScopedPlatform<> platform;
    std::vector<std::pair<WindowHandle, std::uint32_t>> sent;
    std::shared_ptr<std::vector<std::string>> opened = std::make_shared<std::vector<std::string>>();
};

TEST_F(HostControlTest, TheMenuWalkSendsEveryCommandThatDoesNotOfferToShow)
{
    WindowHandle window = AddEditorWindow("Editor", {{101, "Hide Layers"},
                                                     {0, ""},
                                                     {102, "Show Layers"},
                                                     {103, "\xCF\xD4\xCA\xBE\xCD\xBC\xB2\xE3"},  // 显示图层
                                                     {104, "show navigator"},
                                                     {0, "Documents", {{105, "a.psd"}}},
                                                     {106, "Reset Palettes"},
                                                     // 99 characters of an item's text are read
                                                     {109, std::string(95, '-') + "Show"},
                                                     {110, std::string(96, '-') + "Show"},
                                                     {107, "Close All"},
                                                     {108, "Next"}});
    vantrel::text::SetCodePage(vantrel::text::CodePage::Cp936);
    vantrel::effects::session::RunWindowMenu(window);
    std::vector<std::uint32_t> ids;
    for (auto [target, id] : sent) {
        EXPECT_EQ(target, window);
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{101, 106, 110}));
}

TEST_F(HostControlTest, TheMenuWalkReadsTheItemCountBeforeEveryItem)
{
    // The first command closes a document, whose item leaves the menu: the closing items
    // move up and must stay unexamined.
    WindowHandle window =
        AddEditorWindow("Editor", {{101, "Close"}, {102, "Tile"}, {103, "a.psd"}, {107, "Close All"}, {108, "Next"}});
    const auto menu = Desktop().SubMenu(Desktop().MenuBar(window), 7);
    Desktop().SetCommandHandler(window, [&](std::uint32_t id) {
        sent.emplace_back(window, id);
        if (id == 101) Desktop().SetMenuItems(menu, {{101, "Close"}, {102, "Tile"}, {107, "Close All"}, {108, "Next"}});
    });
    vantrel::effects::session::RunWindowMenu(window);
    EXPECT_EQ(sent, (std::vector<std::pair<WindowHandle, std::uint32_t>>{{window, 101}, {window, 102}}));
}

TEST_F(HostControlTest, AShortOrMissingMenuSendsNothing)
{
    WindowHandle noMenu = Desktop().AddWindow(0, "Editor");
    vantrel::effects::session::RunWindowMenu(noMenu);
    WindowHandle shortBar = Desktop().AddWindow(0, "Editor");
    Desktop().SetMenuBar(shortBar, std::vector<MenuItemSpec>(7, MenuItemSpec{0, "Menu", {{1, "Item"}}}));
    vantrel::effects::session::RunWindowMenu(shortBar);
    WindowHandle twoItems = AddEditorWindow("Editor", {{1, "Cascade"}, {2, "Tile"}});
    vantrel::effects::session::RunWindowMenu(twoItems);
    EXPECT_TRUE(sent.empty());
}

TEST_F(HostControlTest, TheFirstWindowTitledLikeTheEditorIsTheMainWindow)
{
    AddEditorWindow("Photo Shop", {{1, "A"}, {2, "B"}, {3, "C"}});
    WindowHandle first = AddEditorWindow("adobe photoshop - [FLOWER.PSD]", {{11, "A"}, {12, "B"}, {13, "C"}});
    AddEditorWindow("Adobe Photoshop", {{21, "A"}, {22, "B"}, {23, "C"}});
    vantrel::grading::CMarkSession session("\\", "\\");
    vantrel::effects::session::theWindowSearch.mainWindow = 0;
    session.FindMainWindow();
    EXPECT_EQ(vantrel::effects::session::theWindowSearch.mainWindow, first);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], std::make_pair(first, 11u));
}

TEST_F(HostControlTest, TheMainWindowComesToTheFrontBeforeTheCapture)
{
    const WindowHandle main = AddEditorWindow("Adobe Photoshop", {});
    ConnectEditor(main);
    Desktop().SetSolidContent(Desktop().AddWindow(main, "a.psd @ 100% (RGB)"), 10, 20, 30);
    // Another program's window in front would be captured in the document's place.
    const WindowHandle other = Desktop().AddWindow(0, "Another program");
    Desktop().SetSolidContent(other, 200, 200, 200);
    Desktop().BringToFront(other);
    std::unique_ptr<CCaptureImage> slot;
    ASSERT_TRUE(vantrel::effects::session::CaptureDocument("D:\\", "A.PSD", slot));
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->Pixels()[0], 30);  // blue first
    EXPECT_EQ(Desktop().FrontHistory().back(), main);
}

TEST_F(HostControlTest, TitlesNamesAndPathsAreReadToTheirLimits)
{
    using vantrel::effects::session::CaptureDocument;
    // 199 characters of a top-level window's title are read, and 499 of a document window's.
    AddEditorWindow(std::string(191, '.') + "PHOTOSHOP", {});
    const WindowHandle main = AddEditorWindow(std::string(190, '.') + "PHOTOSHOP", {});
    theWindowSearch.mainWindow = 0;
    vantrel::effects::session::FindMainWindow();
    EXPECT_EQ(theWindowSearch.mainWindow, main);
    ConnectEditor(main);
    Desktop().AddWindow(main, std::string(494, '.') + "A.PSD");
    Desktop().AddWindow(main, std::string(495, '.') + "B.PSD");
    std::unique_ptr<CCaptureImage> slot;
    EXPECT_TRUE(CaptureDocument("D:\\", "A.PSD", slot));
    EXPECT_TRUE(slot);
    slot.reset();
    EXPECT_TRUE(CaptureDocument("D:\\", "B.PSD", slot));
    EXPECT_FALSE(slot);
    // Names of up to 203 characters and paths of up to 511 are opened.
    EXPECT_TRUE(CaptureDocument("D:\\", std::string(199, 'N') + ".PSD", slot));
    EXPECT_FALSE(CaptureDocument("D:\\", std::string(200, 'N') + ".PSD", slot));
    EXPECT_TRUE(CaptureDocument(std::string(506, 'D'), "A.PSD", slot));
    EXPECT_FALSE(CaptureDocument(std::string(507, 'D'), "A.PSD", slot));
    ASSERT_EQ(opened->size(), 4u);
    EXPECT_EQ(opened->back().size(), 511u);
}

TEST_F(HostControlTest, ASecondCaptureIntoASlotReplacesTheFirst)
{
    WindowHandle window = Desktop().AddWindow(0, "doc");
    Desktop().SetSolidContent(window, 10, 20, 30);
    vantrel::grading::CMarkSession session("\\", "\\");
    session.CaptureWindow(window, vantrel::effects::compare::CaptureSlot::Reference);
    ASSERT_TRUE(session.captureSlots[1]);
    EXPECT_EQ(session.captureSlots[1]->Pixels()[0], 30);  // blue first
    session.CaptureWindow(window, vantrel::effects::compare::CaptureSlot::Reference);
    ASSERT_TRUE(session.captureSlots[1]);
    EXPECT_EQ(session.captureSlots[1]->Pixels()[0], 125);  // the overpaint
    Desktop().SetCaptureFails(true);
    session.CaptureWindow(window, vantrel::effects::compare::CaptureSlot::Reference);
    EXPECT_FALSE(session.captureSlots[1]);
}

TEST_F(HostControlTest, WaitsMeasureElapsedTicksAcrossTheWrap)
{
    platform->Clock().SetTickCount(0xFFFFFFFFu - 1500);
    vantrel::effects::session::WaitSeconds(5);
    EXPECT_EQ(platform->Clock().IdledMilliseconds(), 5000u);
    EXPECT_EQ(platform->Clock().TickCount(), 5000u - 1501u);
    // A clock that wakes early is asked again for what is left, and no more.
    platform->Clock().SetWakesEarly(true);
    vantrel::effects::session::WaitSeconds(5);
    EXPECT_EQ(platform->Clock().IdledMilliseconds(), 10000u);
}

TEST(AutomationDriver, AnEmptyDriverDoesNothingButCannotOpenADocument)
{
    vantrel::testing::ScopedPlatform<> platform;
    vantrel::effects::session::CPhotoshopApplication app;
    EXPECT_FALSE(app.CreateDispatch("No.Such.Server"));
    EXPECT_TRUE(app.IsEmpty());
    EXPECT_NO_THROW(app.PutAppFlag(true));
    EXPECT_NO_THROW(app.EndApplication());
    EXPECT_THROW(app.OpenDocument("C:\\A.PSD"), vantrel::platform::AutomationError);
    EXPECT_TRUE(platform->Automation().Calls().empty());
}

}  // namespace
