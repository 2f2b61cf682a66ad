#include <gtest/gtest.h>

#include <cmath>

#include "effects/compare/ImprovementRule.h"

using namespace vantrel::effects::compare;

namespace {

using vantrel::effects::compare::ApplyImprovementRule;

TEST(ImprovementRule, CreditsTheMoveTowardsTheReference)
{
    EXPECT_NEAR(ApplyImprovementRule(0.9, 0.5), std::pow(0.85, 0.7), 1e-12);
    EXPECT_NEAR(ApplyImprovementRule(0.9, 0.5), 0.8925, 5e-5);
    EXPECT_NEAR(ApplyImprovementRule(0.8, 0.0), 0.8554, 5e-5);
    EXPECT_EQ(ApplyImprovementRule(1.0, 0.2), 1);
    // A small loss near a good starting image: s = 1.42, held at 1.
    EXPECT_EQ(ApplyImprovementRule(0.86, 0.95), 1);
}

TEST(ImprovementRule, NoChangeGivesNothing)
{
    EXPECT_EQ(ApplyImprovementRule(0.5, 0.5), 0);
    EXPECT_EQ(ApplyImprovementRule(0.6, 0.59), 0);
    EXPECT_EQ(ApplyImprovementRule(0.01, 0.0), 0);
    // A difference of exactly 0.02 is a change: s = 0.02.
    EXPECT_NEAR(ApplyImprovementRule(0.02, 0.0), std::pow(0.02, 0.7), 1e-12);
}

TEST(ImprovementRule, ASmallLossCountsAsAGainButALargeOneDoesNot)
{
    EXPECT_NEAR(ApplyImprovementRule(0.47, 0.5), std::pow(0.295, 0.7), 1e-9);
    EXPECT_NEAR(ApplyImprovementRule(0.47, 0.5), 0.4255, 5e-5);
    EXPECT_NEAR(ApplyImprovementRule(0.3, 0.5), 0.2650, 5e-5);
    // b = 0.625 puts 0.1 × b at 0.0625 exactly: a loss that size is no small one (s = a / 2),
    // one of 0.0624 is (x = 0.6874, y = 0.0624, s = 0.4269).
    EXPECT_NEAR(ApplyImprovementRule(0.5625, 0.625), std::pow(0.28125, 0.7), 1e-12);
    EXPECT_NEAR(ApplyImprovementRule(0.5626, 0.625), std::pow(0.4269, 0.7), 1e-9);
}

TEST(ImprovementRule, AStartingImageEqualToTheReferenceNeverDividesByZero)
{
    EXPECT_EQ(ApplyImprovementRule(0.95, 1.0), 1);
    EXPECT_EQ(ApplyImprovementRule(0.5, 1.0), 0);
}

}  // namespace
