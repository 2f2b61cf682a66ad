#include "studio/StudioMenus.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantrel::studio;
using vantrel::platform::kSubmenuItemId;

TEST(StudioMenus, NineDropDownsWithTheWindowMenuEighth)
{
    const auto bar = StudioMenuBar();
    ASSERT_EQ(bar.size(), 9u);
    EXPECT_EQ(bar[kWindowMenuPosition].text, "Window");
    for (const auto& dropDown : bar) {
        EXPECT_EQ(dropDown.id, kSubmenuItemId);
        EXPECT_FALSE(dropDown.submenu.empty()) << dropDown.text;
    }
}

TEST(StudioMenus, CommandIdsAreUniqueAndNeverLookLikeSeparatorsOrSubmenus)
{
    std::set<std::uint32_t> seen;
    for (const auto& dropDown : StudioMenuBar())
        for (const auto& item : dropDown.submenu) {
            if (item.id == 0 || item.id == kSubmenuItemId)
                continue;
            EXPECT_TRUE(seen.insert(item.id).second) << item.text;
        }
    EXPECT_GT(seen.size(), 20u);
}

TEST(StudioMenus, WindowMenuEndsWithTwoCommandsAfterASubmenu)
{
    const auto& items = StudioMenuBar()[kWindowMenuPosition].submenu;
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items[items.size() - 3].id, kSubmenuItemId);
    EXPECT_EQ(items[items.size() - 2].id, command::kCloseAll);
    EXPECT_EQ(items[items.size() - 1].id, command::kNextDocument);
}
