#include <gtest/gtest.h>

#include "DescriptorWriter.h"
#include "studio/psd/PsdDescriptor.h"

namespace vantrel::studio::psd {
namespace {

using testing::CDescriptorBytes;

std::vector<std::uint8_t> GradientLikeSettings()
{
    return CDescriptorBytes("null")
        .Enumerated("Type", "GrdT", "Lnr ")
        .UnitDouble("Angl", "#Ang", -45.5)
        .Boolean("Rvrs", true)
        .Integer("Lctn", 4096)
        .Text("Nm  ", u"Gr\u00FCn \xD83D\xDE00")
        .Object("Grad", CDescriptorBytes("Grdn").ObjectList(
                            "Clrs", {CDescriptorBytes("Clrt").RgbColour("Clr ", 255, 128, 0),
                                     CDescriptorBytes("Clrt").RgbColour("Clr ", 0, 0, 255)}))
        .Double("gradientsInterpolationMethod", 2.5)
        .Versioned();
}

TEST(PsdDescriptor, ReadsEveryKindOfMemberTheEditorWritesForItsSettings)
{
    CDescriptorValue settings;
    std::string reason;
    ASSERT_TRUE(ReadVersionedDescriptor(GradientLikeSettings(), settings, reason)) << reason;
    EXPECT_EQ(settings.classId, "null");
    EXPECT_EQ(settings.EnumOr("Type"), "Lnr ");
    EXPECT_EQ(settings.Find("Type")->enumType, "GrdT");
    EXPECT_EQ(settings.Find("Angl")->unit, "#Ang");
    EXPECT_EQ(settings.NumberOr("Angl", 0), -45.5);
    EXPECT_EQ(settings.NumberOr("Rvrs", 0), 1);
    EXPECT_EQ(settings.NumberOr("Lctn", 0), 4096);
    EXPECT_EQ(settings.Find("Nm  ")->text, "Gr\xC3\xBCn \xF0\x9F\x98\x80");
    EXPECT_EQ(settings.NumberOr("gradientsInterpolationMethod", 0), 2.5);
    EXPECT_EQ(settings.NumberOr("Nm  ", 7), 7);  // text is not a number
    EXPECT_EQ(settings.Find("absent"), nullptr);

    const CDescriptorValue* stops = settings.Find("Grad")->Find("Clrs");
    ASSERT_NE(stops, nullptr);
    ASSERT_EQ(stops->list.size(), 2u);
    const CDescriptorValue* orange = stops->list[0].Find("Clr ");
    EXPECT_EQ(orange->classId, "RGBC");
    EXPECT_EQ(orange->NumberOr("Grn ", 0), 128);
    EXPECT_EQ(stops->list[1].Find("Clr ")->NumberOr("Bl  ", 0), 255);
}

TEST(PsdDescriptor, RefusesCutShortWrongVersionAndTooDeepDescriptorsWithAReason)
{
    const std::vector<std::uint8_t> whole = GradientLikeSettings();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        CDescriptorValue settings;
        std::string reason;
        EXPECT_FALSE(ReadVersionedDescriptor(std::span(whole.data(), size), settings, reason)) << size;
        EXPECT_FALSE(reason.empty()) << size;
    }

    std::vector<std::uint8_t> version15 = whole;
    version15[3] = 15;
    CDescriptorValue settings;
    std::string reason;
    EXPECT_FALSE(ReadVersionedDescriptor(version15, settings, reason));
    EXPECT_EQ(reason, "descriptor version 15 is not 16");

    CDescriptorBytes nested("leaf");
    for (int level = 0; level < 40; ++level) nested = CDescriptorBytes("nest").Object("in  ", nested);
    EXPECT_FALSE(ReadDescriptor(nested.Bytes(), settings, reason));
    EXPECT_EQ(reason, "descriptor nested too deeply");
}

TEST(PsdDescriptor, ACountOfEmptyListsLargerThanTheLimitIsRefusedBeforeItsMemoryIsTaken)
{
    // One member: a list claiming 200,000 elements, each an empty list of eight bytes.
    std::vector<std::uint8_t> bytes = CDescriptorBytes("null").Bytes();
    bytes.back() = 1;
    const std::string head("\0\0\0\0lotsVlLs\0\x03\x0D\x40", 16);
    bytes.insert(bytes.end(), head.begin(), head.end());
    const std::string emptyList("VlLs\0\0\0\0", 8);
    for (int i = 0; i < 200000; ++i) bytes.insert(bytes.end(), emptyList.begin(), emptyList.end());
    CDescriptorValue settings;
    std::string reason;
    EXPECT_FALSE(ReadDescriptor(bytes, settings, reason));
    EXPECT_EQ(reason, "descriptor holds too many values");
}

}  // namespace
}  // namespace vantrel::studio::psd
