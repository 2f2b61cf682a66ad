#include "hosting/headless/StudioInstallation.h"

#include "grading/Grading.h"
#include "studio/app/RenderCache.h"
#include "ClassExam.h"
#include "ScopedPlatform.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using vantrel::grading::CBlockReport;
using vantrel::grading::GradeAnswerKey;
using vantrel::grading::IGradingObserver;
using vantrel::hosting::CStudioInstallation;

using namespace vantrel;

namespace {

// Every number grading produced for one examinee, as bit patterns.
struct GradingBits : IGradingObserver {
    void OnBlockScored(const CBlockReport& report) override
    {
        bits.push_back(std::bit_cast<std::uint64_t>(report.score));
        for (const auto& effect : report.effects) {
            bits.push_back(std::bit_cast<std::uint64_t>(effect.similarity));
            bits.push_back(std::bit_cast<std::uint64_t>(effect.examineeVsReference.value_or(-1)));
            bits.push_back(std::bit_cast<std::uint64_t>(effect.initialVsReference.value_or(-1)));
        }
    }
    std::vector<std::uint64_t> bits;
};

struct ClassWithKeyCache : ::testing::Test {
    vantrel::testing::ScopedPlatform<> platform;
    std::shared_ptr<CStudioInstallation> studio;
    vantrel::testing::TempDirectory dir;
    std::string key;
    static constexpr int kExaminees = 8;

    void SetUp() override
    {
        platform->MessageBox().SetEchoToStandardError(false);
        studio = CStudioInstallation::Install(*platform);
        vantrel::testing::WriteClassExam(dir.Path().string(), {kExaminees, 96, 72, 3});
        std::ifstream file(dir / "exam.key", std::ios::binary);
        key.assign(std::istreambuf_iterator<char>(file), {});
    }

    std::vector<std::uint64_t> GradeEveryone()
    {
        std::vector<std::uint64_t> all;
        for (int i = 0; i < kExaminees; ++i) {
            GradingBits observer;
            const std::string answers = (dir.Path() / "answers" / vantrel::testing::ExamineeName(i)).string();
            const double mark = GradeAnswerKey(key.c_str(), answers.c_str(), (dir / "keys").c_str(), &observer);
            all.push_back(std::bit_cast<std::uint64_t>(mark));
            all.insert(all.end(), observer.bits.begin(), observer.bits.end());
        }
        return all;
    }
};

}  // namespace

TEST_F(ClassWithKeyCache, GradesEveryExamineeBitForBitAsWithoutIt)
{
    const std::vector<std::uint64_t> uncached = GradeEveryone();
    studio->CacheRendersUnder(dir / "keys");
    const std::vector<std::uint64_t> cached = GradeEveryone();
    EXPECT_EQ(cached, uncached);
    // The reference and the starting image, and no examinee's document.
    ASSERT_NE(studio->RenderCache(), nullptr);
    EXPECT_EQ(studio->RenderCache()->Count(), 2u);
}
