#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "PhotoSample.h"
#include "RasterWriters.h"
#include "ScratchFile.h"
#include "studio/formats/RenderDocument.h"

namespace {

using vantrel::testing::CScratchFile;

void RenderTo200x160(benchmark::State& state, const std::string& path)
{
    std::string reason;
    for (auto _ : state) {
        auto document = vantrel::studio::formats::RenderDocument(path, 200, 160, reason);
        if (!document) {
            state.SkipWithError(reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(document->previewRgb.data());
    }
    state.counters["document_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

#if VANTREL_STUDIO_Jpeg
// A camera's 12-megapixel photograph, baseline at quality 90: decoded at 1/8 scale.
void BM_RenderJpegPhotoTo200x160(benchmark::State& state)
{
    static const CScratchFile photo = [] {
        vantrel::testing::JpegSpec jpeg;
        jpeg.width = 4000;
        jpeg.height = 3000;
        jpeg.quality = 90;
        vantrel::testing::FillInterleaved(jpeg.samples, 4000, 3000, 3, vantrel::testing::CPhotoSample{});
        return CScratchFile(vantrel::testing::WriteJpeg(jpeg));
    }();
    RenderTo200x160(state, photo.Path());
}
BENCHMARK(BM_RenderJpegPhotoTo200x160)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

// The same photograph as a 24-bit BMP: every byte read and averaged.
void BM_RenderBmpPhotoTo200x160(benchmark::State& state)
{
    static const CScratchFile photo = [] {
        vantrel::testing::BmpSpec bmp;
        bmp.width = 4000;
        bmp.height = 3000;
        vantrel::testing::CPhotoSample sample;
        bmp.pixels.reserve(12000000);
        for (int y = 0; y < 3000; ++y)
            for (int x = 0; x < 4000; ++x)
                bmp.pixels.push_back(static_cast<std::uint32_t>(sample(0, x, y) << 16 | sample(1, x, y) << 8 | sample(2, x, y)));
        return CScratchFile(vantrel::testing::WriteBmp(bmp));
    }();
    RenderTo200x160(state, photo.Path());
}
BENCHMARK(BM_RenderBmpPhotoTo200x160)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
