// The in-process baseline for `vantrel batch`: one loop that grades every examinee of a generated
// class, one after another, on this thread. items_per_second is examinees per second.
// VANTREL_CLASS_ROOT names a class written by make_class_exam, so that the batch can be timed on
// the very same files (bench/batch_throughput.sh); without it a class of 200 is generated.

#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "ClassExam.h"
#include "TempDirectory.h"
#include "vantrel/CQelMarkPhotoShop.h"

namespace {

struct GeneratedClass {
    std::unique_ptr<vantrel::testing::TempDirectory> scratch;
    std::string root;
};

const GeneratedClass& TheClass()
{
    static const GeneratedClass theClass = [] {
        GeneratedClass generated;
        if (const char* root = std::getenv("VANTREL_CLASS_ROOT")) {
            generated.root = root;
        } else {
            generated.scratch = std::make_unique<vantrel::testing::TempDirectory>();
            generated.root = generated.scratch->Path().string();
            vantrel::testing::WriteClassExam(generated.root, {200, 800, 600});
        }
        return generated;
    }();
    return theClass;
}

void BM_GradeClassInProcess(benchmark::State& state)
{
    const GeneratedClass& theClass = TheClass();
    std::ifstream keyFile(theClass.root + "/exam.key", std::ios::binary);
    const std::string key((std::istreambuf_iterator<char>(keyFile)), std::istreambuf_iterator<char>());
    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(theClass.root + "/answers"))
        folders.push_back(entry.path().string());
    std::sort(folders.begin(), folders.end());
    const std::string keys = theClass.root + "/keys";

    CQelMarkPhotoShop grader;
    double sum = 0;
    for (auto _ : state)
        for (const std::string& folder : folders) sum += grader.GetMark(key.c_str(), folder.c_str(), keys.c_str());
    if (!(sum > 0)) state.SkipWithError("the class graded to nothing");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(folders.size()));
    state.counters["examinees"] = static_cast<double>(folders.size());
}
// Real time, as the batch is timed: rates in Google Benchmark are per CPU second otherwise.
BENCHMARK(BM_GradeClassInProcess)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
