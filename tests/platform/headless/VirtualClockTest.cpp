#include "platform/headless/VirtualClock.h"

#include <gtest/gtest.h>

using namespace vantrel::platform;

TEST(VirtualClock, IdleAdvancesAtOnceAndWrapsAtTwoToThe32)
{
    CVirtualClock clock;
    clock.SetTickCount(0xFFFFF000u);
    clock.Idle(5000);
    EXPECT_EQ(clock.TickCount(), 5000u - 0x1000u);
    clock.Idle(10000);
    EXPECT_EQ(clock.TickCount(), 15000u - 0x1000u);
    // The total does not wrap, so long runs can be measured.
    EXPECT_EQ(clock.IdledMilliseconds(), 15000u);
    clock.Idle(0xFFFFFFFFu);
    EXPECT_EQ(clock.IdledMilliseconds(), 15000u + 0xFFFFFFFFull);
}

TEST(VirtualClock, AClockThatWakesEarlyIdlesTwoThirdsRoundedUp)
{
    CVirtualClock clock;
    clock.SetWakesEarly(true);
    clock.Idle(3000);
    EXPECT_EQ(clock.TickCount(), 2000u);
    clock.Idle(1);
    EXPECT_EQ(clock.TickCount(), 2001u);
    clock.Idle(0);
    EXPECT_EQ(clock.IdledMilliseconds(), 2001u);
}
