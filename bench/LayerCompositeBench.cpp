#include <benchmark/benchmark.h>

#include <string>

#include "LayeredBenchDocument.h"
#include "ScratchFile.h"
#include "studio/formats/RenderDocument.h"

namespace {

// The 2000 x 1500 five-layer document whose stored image is a placeholder, drawn from its
// layers into the 200 x 160 preview a capture takes.
void BM_RenderFiveLayerDocument(benchmark::State& state)
{
    static const vantrel::testing::CScratchFile document(vantrel::testing::FiveLayerDocument(2000, 1500));
    std::string reason;
    for (auto _ : state) {
        auto rendered = vantrel::studio::formats::RenderDocument(document.Path(), 200, 160, reason);
        if (!rendered || !rendered->fromLayers) {
            state.SkipWithError(rendered ? "not drawn from layers" : reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(rendered->previewRgb.data());
    }
}
BENCHMARK(BM_RenderFiveLayerDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
