#include "studio/app/StudioMenus.h"

#include <gtest/gtest.h>

#include <set>

using vantrel::studio::app::StudioMenuBar;

using namespace vantrel::studio;
using vantrel::platform::kSubmenuItemId;

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

