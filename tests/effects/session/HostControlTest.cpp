#include <gtest/gtest.h>

#include "effects/session/AutomationDriver.h"
#include "effects/session/HostControl.h"
#include "effects/session/WaitSeconds.h"
#include "effects/session/WindowSearchState.h"
#include "grading/MarkSession.h"
#include "ScopedPlatform.h"
#include "text/CodePage.h"

namespace {

using vantrel::platform::MenuItemSpec;
using vantrel::platform::WindowHandle;

class HostControlTest : public ::testing::Test {
protected:
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
                                                     {107, "Close All"},
                                                     {108, "Next"}});
    vantrel::text::SetCodePage(vantrel::text::CodePage::Cp936);
    vantrel::effects::session::RunWindowMenu(window);
    std::vector<std::uint32_t> ids;
    for (auto [target, id] : sent) {
        EXPECT_EQ(target, window);
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{101, 106}));
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
