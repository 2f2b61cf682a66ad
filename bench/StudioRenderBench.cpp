#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "PsdWriter.h"
#include "ScratchFile.h"
#include "studio/formats/RenderDocument.h"
#include "studio/io/DocumentFile.h"

namespace {

using vantrel::testing::CScratchFile;
using vantrel::testing::PsdSpec;

// A photograph-like 4000 x 3000 RGB document: smooth gradients with a little sensor noise, so
// that PackBits rows break into short literal runs as a real photo's do, and some flat areas.
// At 16 bits the same picture carries noise in its low byte too, as a real scan's does.
CScratchFile WritePhoto(bool packBits, int depth)
{
    PsdSpec psd{.width = 4000, .height = 3000, .channels = 3, .depth = depth, .rle = packBits};
    std::uint32_t state = 12345;
    auto value = [&state](int channel, int x, int y) {
        state = state * 1664525u + 1013904223u;
        const int noise = static_cast<int>(state >> 29) - 4;
        const int flat = (x / 500 + y / 400) % 3 == channel ? 200 : 0;
        const int gradient = (x * (channel + 1) / 24 + y / 16) % 256;
        const int level = flat != 0 ? flat : gradient + noise;
        return level < 0 ? 0 : level > 255 ? 255 : level;
    };
    if (depth == 16)
        vantrel::testing::FillPlanes16(psd, [&](int channel, int x, int y) {
            const int level = value(channel, x, y);
            return level == 200 ? level * 257 : std::min(65535, level * 256 + static_cast<int>((state >> 16) & 0xFF));
        });
    else
        vantrel::testing::FillPlanes(psd, value);
    return CScratchFile(vantrel::testing::WritePsd(psd));
}

const std::string& PhotoPath(bool packBits, int depth)
{
    static const CScratchFile packed = WritePhoto(true, 8);
    static const CScratchFile raw = WritePhoto(false, 8);
    static const CScratchFile packed16 = WritePhoto(true, 16);
    if (depth == 16) return packed16.Path();
    return packBits ? packed.Path() : raw.Path();
}

// Grading captures each document once, so its bytes come from the page cache, never from the
// processor's cache. Between renders a buffer larger than the last-level cache is written over,
// or a document smaller than that cache (the 24 MB 8-bit one, on a 32 MB cache) would be timed
// as read from it.
void EvictProcessorCaches(std::vector<std::uint8_t>& buffer)
{
    for (std::size_t at = 0; at < buffer.size(); at += 64) buffer[at] = static_cast<std::uint8_t>(buffer[at] + 1);
    benchmark::DoNotOptimize(buffer.data());
}

void RenderPhoto(benchmark::State& state, const std::string& path)
{
    std::string reason;
    std::vector<std::uint8_t> evictor(std::size_t{128} << 20);
    for (auto _ : state) {
        state.PauseTiming();
        EvictProcessorCaches(evictor);
        state.ResumeTiming();
        auto document = vantrel::studio::formats::RenderDocument(path, 200, 160, reason);
        if (!document) {
            state.SkipWithError(reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(document->previewRgb.data());
    }
    state.counters["document_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

// Argument 1 renders the PackBits document, 0 the raw one.
void BM_RenderPhotoTo200x160(benchmark::State& state) { RenderPhoto(state, PhotoPath(state.range(0) == 1, 8)); }
BENCHMARK(BM_RenderPhotoTo200x160)->ArgName("packbits")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same picture at 16 bits, PackBits-compressed: it should take at most 1.3 times the 8-bit
// PackBits document's time.
void BM_Render16BitPhotoTo200x160(benchmark::State& state) { RenderPhoto(state, PhotoPath(true, 16)); }
BENCHMARK(BM_Render16BitPhotoTo200x160)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// That ratio, measured in pairs: each iteration renders the 8-bit document and then the 16-bit
// one, so that a slow spell of this noisy machine falls on both; the counter is the median of
// the pairs' ratios.
void BM_Render16BitAgainst8Bit(benchmark::State& state)
{
    std::vector<std::uint8_t> evictor(std::size_t{128} << 20);
    std::vector<double> ratios;
    std::string reason;
    const auto timed = [&](const std::string& path) {
        EvictProcessorCaches(evictor);
        const auto start = std::chrono::steady_clock::now();
        auto document = vantrel::studio::formats::RenderDocument(path, 200, 160, reason);
        benchmark::DoNotOptimize(document.get());
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (auto _ : state) {
        const double eightBit = timed(PhotoPath(true, 8));
        const double sixteenBit = timed(PhotoPath(true, 16));
        ratios.push_back(sixteenBit / eightBit);
    }
    std::nth_element(ratios.begin(), ratios.begin() + static_cast<long>(ratios.size() / 2), ratios.end());
    state.counters["ratio"] = ratios[ratios.size() / 2];
}
BENCHMARK(BM_Render16BitAgainst8Bit)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The floor under both: reading the document's bytes alone, a chunk at a time into one buffer
// as the studio's cursors do. Copying from the page cache grows with the bytes, so the 16-bit
// document's render can be no closer to the 8-bit one's than their reads are.
void BM_ReadPhotoFile(benchmark::State& state)
{
    const std::string& path = PhotoPath(true, static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> chunk(vantrel::studio::io::CFileCursor::kChunkBytes);
    std::vector<std::uint8_t> evictor(std::size_t{128} << 20);
    for (auto _ : state) {
        state.PauseTiming();
        EvictProcessorCaches(evictor);
        state.ResumeTiming();
        vantrel::studio::io::CDocumentFile file(path);
        for (std::uint64_t at = 0; at < file.Size(); at += chunk.size()) {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), file.Size() - at));
            if (!file.ReadAt(at, chunk.data(), count)) {
                state.SkipWithError("cannot read the document");
                return;
            }
        }
        benchmark::DoNotOptimize(chunk.data());
    }
}
BENCHMARK(BM_ReadPhotoFile)->ArgName("depth")->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
