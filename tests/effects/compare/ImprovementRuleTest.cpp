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
}

TEST(ImprovementRule, NoChangeGivesNothing)
{
    EXPECT_EQ(ApplyImprovementRule(0.5, 0.5), 0);
    EXPECT_EQ(ApplyImprovementRule(0.6, 0.59), 0);
    EXPECT_EQ(ApplyImprovementRule(0.01, 0.0), 0);
}

TEST(ImprovementRule, ASmallLossCountsAsAGainButALargeOneDoesNot)
{
    EXPECT_NEAR(ApplyImprovementRule(0.47, 0.5), std::pow(0.295, 0.7), 1e-9);
    EXPECT_NEAR(ApplyImprovementRule(0.47, 0.5), 0.4255, 5e-5);
    EXPECT_NEAR(ApplyImprovementRule(0.3, 0.5), 0.2650, 5e-5);
}

TEST(ImprovementRule, AStartingImageEqualToTheReferenceNeverDividesByZero)
{
    EXPECT_EQ(ApplyImprovementRule(0.95, 1.0), 1);
    EXPECT_EQ(ApplyImprovementRule(0.5, 1.0), 0);
}

}  // namespace
