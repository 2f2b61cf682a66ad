#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "PsdWriter.h"
#include "ScratchFile.h"
#include "studio/formats/RenderDocument.h"

namespace {

using vantrel::testing::CScratchFile;
using vantrel::testing::PsdSpec;

// A photograph-like 4000 x 3000 RGB document: smooth gradients with a little sensor noise, so
// that PackBits rows break into short literal runs as a real photo's do, and some flat areas.
CScratchFile WritePhoto(bool packBits)
{
    PsdSpec psd;
    psd.width = 4000;
    psd.height = 3000;
    psd.channels = 3;
    psd.rle = packBits;
    std::uint32_t state = 12345;
    vantrel::testing::FillPlanes(psd, [&state](int channel, int x, int y) {
        state = state * 1664525u + 1013904223u;
        const int noise = static_cast<int>(state >> 29) - 4;
        const int flat = (x / 500 + y / 400) % 3 == channel ? 200 : 0;
        const int gradient = (x * (channel + 1) / 24 + y / 16) % 256;
        const int value = flat != 0 ? flat : gradient + noise;
        return value < 0 ? 0 : value > 255 ? 255 : value;
    });
    return CScratchFile(vantrel::testing::WritePsd(psd));
}

const std::string& PhotoPath(bool packBits)
{
    static const CScratchFile packed = WritePhoto(true);
    static const CScratchFile raw = WritePhoto(false);
    return packBits ? packed.Path() : raw.Path();
}

// Argument 1 renders the PackBits document, 0 the raw one.
void BM_RenderPhotoTo200x160(benchmark::State& state)
{
    const std::string& path = PhotoPath(state.range(0) == 1);
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
BENCHMARK(BM_RenderPhotoTo200x160)->ArgName("packbits")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
