#include <gtest/gtest.h>

#include "document/PropertyCriteria.h"
#include "document/PropertyCriterionCheck.h"

namespace {

using vantrel::document::CheckPropertyCriterion;
using vantrel::document::ComparisonFinding;
using vantrel::document::CPsdHeader;

std::optional<ComparisonFinding> FindingOf(const std::string& name, const std::string& arguments)
{
    const auto findings = CheckPropertyCriterion(name, arguments);
    if (findings.empty()) return std::nullopt;
    EXPECT_EQ(findings.size(), 1u) << name << arguments;
    return findings.front().finding;
}

// Documents of many shapes, to see what the grader itself decides for each.
std::vector<CPsdHeader> ManyDocuments()
{
    std::vector<CPsdHeader> documents;
    for (int side : {1, 2, 79, 80, 81, 639, 640, 641, 800, 1023, 1024, 1025, 8000, 30000, 300000})
        for (int mode : {0, 1, 2, 3, 4, 7, 8, 9})
            for (int channels : {1, 3, 4, 5, 56}) {
                CPsdHeader header;
                header.width = header.height = side;
                header.colorMode = static_cast<std::int16_t>(mode);
                header.channels = static_cast<std::int16_t>(channels);
                documents.push_back(header);
            }
    return documents;
}

// The check's verdict on a comparison is what grading does with every document.
TEST(PropertyCriterionCheck, AgreesWithGradingOnEveryDocument)
{
    const auto documents = ManyDocuments();
    for (const std::string& token : std::vector<std::string>{"WIDTH=640", "WIDTH>=640", "WIDTH=>640", "WIDTH=640..1024", "WIDTH=1024..640", "WIDTH>=640..1024",
          "WIDTH=8000|1", "WIDTH=800PX", "WIDTH>0", "WIDTH<1", "WIDTH<>0", "HEIGHTS<=600", "CHANNEL<>4", "CHANNEL=3..4",
          "CHANNEL>56", "COLORMODE=RGB", "COLORMODE=RBG", "COLORMODE<>CMYK", "COLORMODE=RGB|CMYK", "COLORMODE=3",
          "COLORMODES=GRAYSCALE", "WIDTH=ABC", "WIDTH=" + std::string(250, '1')}) {
        std::size_t passed = 0;
        for (const CPsdHeader& header : documents) {
            std::string arguments = "(" + token + ")";
            passed += vantrel::document::EvaluatePropertyCriterion(header, "IMAGE", arguments) ? 1 : 0;
        }
        const auto finding = FindingOf("IMAGE", "(" + token + ")");
        if (passed == 0) EXPECT_EQ(finding, ComparisonFinding::NeverMatches) << token;
        else if (passed == documents.size()) EXPECT_EQ(finding, ComparisonFinding::AlwaysMatches) << token;
        else EXPECT_EQ(finding, std::nullopt) << token;
    }
}

TEST(PropertyCriterionCheck, NamesKeysAndOperatorsTheGraderDoesNotKnow)
{
    EXPECT_EQ(FindingOf("IMAGE", "(WIDHT=640)"), ComparisonFinding::UnknownKey);
    EXPECT_EQ(FindingOf("PARTEFECT", "(SOURCEFILE=K.PSD)"), ComparisonFinding::UnknownCriterion);
    EXPECT_EQ(FindingOf("IMAGE", "()"), ComparisonFinding::NoComparison);
    EXPECT_EQ(FindingOf("IMAGE", "(WIDTH)"), ComparisonFinding::NoOperator);
    EXPECT_EQ(FindingOf("LAYER", "(COUNT=5)"), ComparisonFinding::NotExamined);
    EXPECT_EQ(FindingOf("MASK", "(5)"), ComparisonFinding::NoOperator);

    // Every comparison is looked at, not only up to the first that fails.
    const auto findings = CheckPropertyCriterion("IMAGE", "(WIDTH=640 COLORMODE=RBG WIDHT=1 HEIGHT=480)");
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].token, "COLORMODE=RBG");
    EXPECT_EQ(findings[1].token, "WIDHT=1");
}

}  // namespace
