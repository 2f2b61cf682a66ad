#include <gtest/gtest.h>

#include "grading/MarkSession.h"
#include "ExamFolders.h"

namespace {

using vantrel::grading::CMarkSession;

// The criteria see only the header: an 800 x 600 RGB document with 3 channels.
class PropertyCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session.psdHeader.width = 800;
        session.psdHeader.height = 600;
        session.psdHeader.channels = 3;
        session.psdHeader.colorMode = 3;
    }
    bool Passes(const std::string& criterion)
    {
        // As the block hands it over: normalised, name and arguments apart.
        std::string text = criterion;
        session.NormalizeBlanks(text);
        const std::size_t paren = text.find('(');
        std::string arguments = text.substr(paren);
        return session.EvaluatePropertyCriterion(text.substr(0, paren), arguments);
    }
    CMarkSession session{"\\", "\\"};
};

TEST_F(PropertyCriteriaTest, PlainComparisons)
{
    EXPECT_TRUE(Passes("IMAGE(WIDTH=800 HEIGHT=600)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH=800 HEIGHT=601)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH>=640)"));
    EXPECT_TRUE(Passes("IMAGE(HEIGHT<=600)"));
    EXPECT_TRUE(Passes("IMAGE(CHANNEL<>4)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTHS=800)"));
    EXPECT_TRUE(Passes("IMAGE(HEIGHTS<601)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH>800)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH<800)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=800PX)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH = 800)"));
}

TEST_F(PropertyCriteriaTest, Ranges)
{
    EXPECT_TRUE(Passes("IMAGE(WIDTH=640..1024)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=800..800)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH=1024..640)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH>=640..1024)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=..900)"));  // an empty side reads as 0
    EXPECT_TRUE(Passes("IMAGE(WIDTH=700..900|1)"));  // a range wins over alternatives
}

TEST_F(PropertyCriteriaTest, AlternativesMatchWholeValues)
{
    EXPECT_TRUE(Passes("IMAGE(WIDTH=1024|800)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=800PX|1024)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH=8000)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH=8000|1)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH<>1|2)"));
    session.psdHeader.width = 80;
    EXPECT_FALSE(Passes("IMAGE(WIDTH=800|1024)"));
}

TEST_F(PropertyCriteriaTest, ColourModes)
{
    EXPECT_TRUE(Passes("IMAGE(COLORMODE=RGB)"));
    EXPECT_TRUE(Passes("IMAGE(COLORMODES=RGB)"));
    EXPECT_FALSE(Passes("IMAGE(COLORMODE=CMYK)"));
    EXPECT_FALSE(Passes("IMAGE(COLORMODE<>CMYK)"));
    EXPECT_FALSE(Passes("IMAGE(COLORMODE=RGB|CMYK)"));
    EXPECT_FALSE(Passes("IMAGE(COLORMODE=3)"));
    session.psdHeader.colorMode = 0;
    EXPECT_TRUE(Passes("IMAGE(COLORMODE=BITMAP)"));
    session.psdHeader.colorMode = -1;
    EXPECT_TRUE(Passes("IMAGE(COLORMODE=LAB)"));  // an unknown name reads as -1
}

TEST_F(PropertyCriteriaTest, MalformedCriteriaFailButUnknownKeysPass)
{
    EXPECT_TRUE(Passes("IMAGE(RESOLUTION=72)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH)"));
    EXPECT_FALSE(Passes("IMAGE()"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH > 640)"));
    EXPECT_TRUE(Passes("LAYER(COUNT=5)"));
    EXPECT_TRUE(Passes("MASK(X=0)"));
    EXPECT_FALSE(Passes("LAYER(5)"));
    EXPECT_FALSE(Passes("LAYER()"));
    EXPECT_FALSE(Passes("TEXT(A=1)"));
}

TEST_F(PropertyCriteriaTest, OverlongValuesFail)
{
    EXPECT_TRUE(Passes("IMAGE(WIDTH=" + std::string(190, '0') + "800)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=" + std::string(196, '0') + "800)"));  // 199 characters
    EXPECT_FALSE(Passes("IMAGE(WIDTH=" + std::string(197, '0') + "800)"));
}

TEST_F(PropertyCriteriaTest, NegativeAndHugeHeaderValuesCompareAsSigned)
{
    session.psdHeader.width = -5;
    EXPECT_TRUE(Passes("IMAGE(WIDTH<0)"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=-5)"));
    session.psdHeader.width = 2147483647;
    EXPECT_TRUE(Passes("IMAGE(WIDTH=99999999999)"));  // the stated value saturates
    EXPECT_TRUE(Passes("IMAGE(WIDTH=" + std::string(25, '9') + ")"));  // past 64 bits as well
    EXPECT_FALSE(Passes("IMAGE(WIDTH=2147483646)"));
    session.psdHeader.width = -2147483647 - 1;
    EXPECT_TRUE(Passes("IMAGE(WIDTH=-" + std::string(25, '9') + ")"));
    EXPECT_TRUE(Passes("IMAGE(WIDTH=-2147483648)"));
    EXPECT_FALSE(Passes("IMAGE(WIDTH=-2147483647)"));
}

}  // namespace
