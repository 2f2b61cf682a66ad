#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "PsdWriter.h"
#include "ScratchFile.h"
#include "studio/StudioDocument.h"

namespace {

using vantrel::testing::CScratchFile;
using vantrel::testing::PsdSpec;

// A photograph-like 4000 x 3000 RGB document, PackBits-compressed: smooth gradients with a
// little sensor noise, so that most rows pack into short literal runs as real photos do.
const CScratchFile& PhotoDocument()
{
    static const CScratchFile file = [] {
        PsdSpec spec;
        spec.width = 4000;
        spec.height = 3000;
        spec.channels = 3;
        spec.rle = true;
        std::uint32_t state = 12345;
        vantrel::testing::FillPlanes(spec, [&state](int channel, int x, int y) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 29) - 4;
            const int flat = (x / 500 + y / 400) % 3 == channel ? 200 : 0;  // some flat areas too
            const int gradient = (x * (channel + 1) / 24 + y / 16) % 256;
            const int value = flat != 0 ? flat : gradient + noise;
            return value < 0 ? 0 : value > 255 ? 255 : value;
        });
        return CScratchFile(vantrel::testing::WritePsd(spec));
    }();
    return file;
}

void BM_RenderPhotoTo200x160(benchmark::State& state)
{
    const std::string& path = PhotoDocument().Path();
    std::string reason;
    for (auto _ : state) {
        auto document = vantrel::studio::RenderDocument(path, 200, 160, reason);
        if (!document) {
            state.SkipWithError(reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(document->previewRgb.data());
    }
    state.counters["document_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_RenderPhotoTo200x160)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
