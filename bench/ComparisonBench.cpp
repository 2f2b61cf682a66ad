// The two capture comparisons on 32-bit captures of realistic content: smooth gradients with
// texture, a reference that differs from the examinee's work by small shifts and a repainted
// region, and an initial image that both changed in part.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "effects/CaptureImage.h"
#include "effects/PartialImageComparison.h"
#include "effects/WholeImageComparison.h"
#include "platform/Platform.h"

namespace {

using vantrel::CCaptureImage;

class CSilentMessageBox final : public vantrel::platform::IMessageBox {
public:
    void Show(const std::string&) override {}
};

// A picture: colour gradients, a disc, and texture noise.
std::unique_ptr<CCaptureImage> MakePicture(unsigned seed, int bitsPerPixel = 32)
{
    auto image = std::make_unique<CCaptureImage>(bitsPerPixel);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    const int bytesPerPixel = bitsPerPixel / 8;
    std::uint8_t* p = image->Pixels();
    for (int y = 0; y < CCaptureImage::kHeight; ++y) {
        for (int x = 0; x < CCaptureImage::kWidth; ++x) {
            const int dx = x - 100;
            const int dy = y - 80;
            const bool inDisc = dx * dx + dy * dy < 45 * 45;
            int c[4] = {x * 255 / 199, y * 255 / 159, inDisc ? 220 : (x + y) * 255 / 358, 0};
            for (int ch = 0; ch < bytesPerPixel; ++ch) {
                const int v = c[ch % 4] + noise(random);
                *p++ = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return image;
}

// The same picture with a rectangle repainted in a colour of its own.
std::unique_ptr<CCaptureImage> Repaint(const CCaptureImage& picture, int x0, int y0, int x1, int y1,
                                       std::uint8_t shift, unsigned seed)
{
    auto image = std::make_unique<CCaptureImage>(picture.BitsPerPixel());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-4, 4);
    const int bytesPerPixel = picture.BitsPerPixel() / 8;
    const std::uint8_t* from = picture.Pixels();
    std::uint8_t* to = image->Pixels();
    for (int y = 0; y < CCaptureImage::kHeight; ++y) {
        for (int x = 0; x < CCaptureImage::kWidth; ++x) {
            const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            for (int ch = 0; ch < bytesPerPixel; ++ch, ++from, ++to) {
                int v = *from + noise(random);
                if (inside)
                    v = (v + shift * (ch + 1)) & 0xFF;
                *to = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return image;
}

void BM_CompareCaptures32(benchmark::State& state)
{
    const auto examinee = MakePicture(1);
    const auto reference = Repaint(*examinee, 40, 30, 120, 90, 37, 2);
    CSilentMessageBox messages;
    for (auto _ : state) {
        double similarity = vantrel::CompareCaptureImages(examinee.get(), reference.get(), messages);
        benchmark::DoNotOptimize(similarity);
    }
    state.SetItemsProcessed(state.iterations() * CCaptureImage::kWidth * CCaptureImage::kHeight);
}
BENCHMARK(BM_CompareCaptures32)->Unit(benchmark::kMicrosecond);

void BM_ComparePartialCaptures32(benchmark::State& state)
{
    const auto initial = MakePicture(3);
    const auto reference = Repaint(*initial, 50, 40, 150, 120, 61, 4);
    const auto examinee = Repaint(*initial, 55, 45, 150, 115, 58, 5);
    CSilentMessageBox messages;
    for (auto _ : state) {
        double similarity = vantrel::ComparePartialCaptureImages(examinee.get(), reference.get(),
                                                                 initial.get(), messages);
        benchmark::DoNotOptimize(similarity);
    }
    state.SetItemsProcessed(state.iterations() * CCaptureImage::kWidth * CCaptureImage::kHeight);
}
BENCHMARK(BM_ComparePartialCaptures32)->Unit(benchmark::kMicrosecond);

// The parts, for seeing where the time goes.
void BM_PixelSimilarity32(benchmark::State& state)
{
    const auto a = MakePicture(1);
    const auto b = Repaint(*a, 40, 30, 120, 90, 37, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(vantrel::PixelSimilarity(a->Pixels(), b->Pixels(), 3, a->ByteCount()));
}
BENCHMARK(BM_PixelSimilarity32)->Unit(benchmark::kMicrosecond);

void BM_HistogramSimilarity32(benchmark::State& state)
{
    const auto a = MakePicture(1);
    const auto b = Repaint(*a, 40, 30, 120, 90, 37, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(vantrel::HistogramSimilarity(a->Pixels(), b->Pixels(), 3, a->ByteCount()));
}
BENCHMARK(BM_HistogramSimilarity32)->Unit(benchmark::kMicrosecond);

void BM_ConvertToGrey32(benchmark::State& state)
{
    const auto a = MakePicture(1);
    CCaptureImage work(32);
    for (auto _ : state) {
        std::copy(a->Pixels(), a->Pixels() + a->ByteCount(), work.Pixels());
        vantrel::ConvertToGrey(work.Pixels(), 3, work.ByteCount());
        benchmark::DoNotOptimize(work.Pixels());
    }
}
BENCHMARK(BM_ConvertToGrey32)->Unit(benchmark::kMicrosecond);

}  // namespace
