// Whole grading calls: a property-only answer key, and one effect criterion that runs the
// automation session against the studio with three 800 x 600 documents.

#include <benchmark/benchmark.h>

#include "ExamFolders.h"
#include "vantrel/CQelMarkPhotoShop.h"

namespace {

using vantrel::testing::AnswerKey;
using vantrel::testing::ExamFolders;

void BM_GetMarkPropertyKey(benchmark::State& state)
{
    ExamFolders exam;
    exam.WriteAnswer("ANSWER.PSD", vantrel::testing::HeaderOnly(800, 600, 3, 3));
    std::vector<std::string> lines = {"DESTFILE=Answer.psd"};
    for (int block = 0; block < 10; ++block)
        lines.push_back("&&1 IMAGE(WIDTH=800 HEIGHT>=600 CHANNEL=3..4 COLORMODE=RGB) LAYER(COUNT=" +
                        std::to_string(block) + ")");
    const std::string key = AnswerKey(lines);
    const std::string answers = exam.AnswerDirectory();
    CQelMarkPhotoShop grader;
    for (auto _ : state) benchmark::DoNotOptimize(grader.GetMark(key.c_str(), answers.c_str(), ""));
    if (grader.mark != 1) state.SkipWithError("the key did not grade in full");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetMarkPropertyKey);

// A photo-like scene: gradients, a disc, and a little noise so that RLE does real work.
vantrel::testing::PsdSpec Scene(int shift)
{
    std::uint32_t seed = 12345;
    return vantrel::testing::RgbDocument(800, 600, [&](int x, int y) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 29);
        const int dx = x - 500 - shift, dy = y - 200;
        if (dx * dx + dy * dy < 90 * 90) return 0xF8D020u;
        const int r = (x * 200 / 800 + noise) & 0xFF, g = (120 + y * 100 / 600) & 0xFF, b = (230 - noise) & 0xFF;
        return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    });
}

void BM_EffectCriterionWithStartingImage(benchmark::State& state)
{
    ExamFolders exam;
    exam.WriteAnswer("A.PSD", Scene(10));
    exam.WriteKey("R.PSD", Scene(0));
    exam.WriteKey("S.PSD", Scene(-300));
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"});
    const std::string answers = exam.AnswerDirectory();
    const std::string keys = exam.KeyDirectory();
    CQelMarkPhotoShop grader;
    for (auto _ : state) benchmark::DoNotOptimize(grader.GetMark(key.c_str(), answers.c_str(), keys.c_str()));
    if (!(grader.mark > 0)) state.SkipWithError("the effect was not graded");
    state.counters["mark"] = grader.mark;
}
BENCHMARK(BM_EffectCriterionWithStartingImage)->Unit(benchmark::kMillisecond);

}  // namespace
