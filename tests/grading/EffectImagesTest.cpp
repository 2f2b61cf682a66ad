// The images an effect report carries for an observer that asks: the captures grading compared
// and, for a partial effect, the change images the partial measure was taken on.

#include <gtest/gtest.h>

#include "effects/compare/PartialImageComparison.h"
#include "effects/compare/WholeImageComparison.h"
#include "grading/Grading.h"
#include "platform/headless/RecordingMessageBox.h"
#include "StudioExam.h"

namespace {

using vantrel::testing::AnswerKey;
using vantrel::testing::RgbDocument;

struct Collector : vantrel::grading::IGradingObserver {
    explicit Collector(bool images) : images(images) {}
    void OnBlockScored(const vantrel::grading::CBlockReport& report) override { blocks.push_back(report); }
    bool WantsEffectImages() const override { return images; }
    bool images;
    std::vector<vantrel::grading::CBlockReport> blocks;
};

class EffectImagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The examinee moved the square less far than the examiner did.
        auto square = [](int left) {
            return RgbDocument(200, 160, [left](int x, int y) {
                return x >= left && x < left + 40 && y >= 60 && y < 100 ? 0xD02020u : 0x2040A0u;
            });
        };
        studio.exam.WriteKey("S.PSD", square(20));
        studio.exam.WriteKey("R.PSD", square(140));
        studio.exam.WriteAnswer("A.PSD", square(100));
    }
    double Grade(const std::string& key, Collector& collector)
    {
        return vantrel::grading::GradeAnswerKey(key.c_str(), studio.exam.AnswerDirectory().c_str(),
                                       studio.exam.KeyDirectory().c_str(), &collector);
    }
    vantrel::testing::StudioExam studio;
    vantrel::platform::CRecordingMessageBox messages;
};

TEST_F(EffectImagesTest, WholeEffectsCarryTheCapturesTheirMeasuresCameFrom)
{
    Collector collector(true);
    Grade(AnswerKey({"DESTFILE=A.PSD", "&&5 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)", "&&5 EFFECT(SOURCEFILE=R.PSD)"}),
          collector);
    ASSERT_EQ(collector.blocks.size(), 2u);
    const vantrel::effects::compare::CEffectReport& withStart = collector.blocks[0].effects.at(0);
    ASSERT_TRUE(withStart.images);
    const auto& captures = withStart.images->captures;
    ASSERT_TRUE(captures[0] && captures[1] && captures[2]);
    // Measured again on the kept images, each measure comes out as grading reported it.
    EXPECT_EQ(vantrel::effects::compare::CompareCaptureImages(captures[0].get(), captures[1].get(), messages),
              withStart.examineeVsReference.value());
    EXPECT_EQ(vantrel::effects::compare::CompareCaptureImages(captures[2].get(), captures[1].get(), messages),
              withStart.initialVsReference.value());
    EXPECT_TRUE(withStart.images->examineeChange.empty());

    // Without a starting image the starting slot took no part, so none is kept.
    const vantrel::effects::compare::CEffectReport& plain = collector.blocks[1].effects.at(0);
    ASSERT_TRUE(plain.images);
    EXPECT_TRUE(plain.images->captures[0] && plain.images->captures[1]);
    EXPECT_FALSE(plain.images->captures[2]);
}

TEST_F(EffectImagesTest, PartialEffectsCarryTheChangeImagesTheyMeasured)
{
    Collector collector(true);
    Grade(AnswerKey({"DESTFILE=A.PSD", "&&10 PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"}), collector);
    const vantrel::effects::compare::CEffectReport& effect = collector.blocks.at(0).effects.at(0);
    ASSERT_TRUE(effect.images);
    const auto& examinee = effect.images->examineeChange;
    const auto& reference = effect.images->referenceChange;
    ASSERT_EQ(examinee.size(), 200u * 160u);
    ASSERT_EQ(reference.size(), 200u * 160u);
    const std::size_t n = examinee.size();
    const double measured = vantrel::effects::compare::CombinePartialMeasures(vantrel::effects::compare::GreyPixelSimilarity(examinee.data(), reference.data(), n),
                                                            vantrel::effects::compare::GreyHistogramSimilarity(examinee.data(), reference.data(), n));
    EXPECT_EQ(measured, effect.similarity);
    // Nothing changed in the top rows; the moved squares changed the middle rows.
    EXPECT_EQ(examinee[10 * 200 + 100], 0);
    EXPECT_GT(examinee[80 * 200 + 110], 0);
    EXPECT_GT(reference[80 * 200 + 150], 0);
}

TEST_F(EffectImagesTest, ObserversThatDoNotAskGetNoImagesAndTheSameMarks)
{
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&5 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)",
                                       "&&5 PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"});
    Collector plain(false);
    Collector showing(true);
    EXPECT_EQ(Grade(key, plain), Grade(key, showing));
    for (const auto& block : plain.blocks) EXPECT_FALSE(block.effects.at(0).images);
}

}  // namespace
