// The two capture comparisons on 32-bit captures of realistic content: smooth gradients with
// texture, a reference that differs from the examinee's work by small shifts and a repainted
// region, and an initial image that both changed in part.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/CaptureImage.h"
#include "effects/compare/PartialImageComparison.h"
#include "effects/compare/WholeImageComparison.h"
#include "grading/MarkSession.h"
#include "platform/Platform.h"

namespace {

using vantrel::platform::CCaptureImage;
using vantrel::platform::DisplayFormat;

// The machine may be shared; the fastest repetition is the one least disturbed.
double Fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

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

// A session whose slots hold the three captures, as after the document steps.
struct SlotsSession {
    SlotsSession(std::unique_ptr<CCaptureImage> examinee, std::unique_ptr<CCaptureImage> reference,
                 std::unique_ptr<CCaptureImage> initial = nullptr)
    {
        session.captureSlots[0] = std::move(examinee);
        session.captureSlots[1] = std::move(reference);
        session.captureSlots[2] = std::move(initial);
    }
    vantrel::grading::CMarkSession session{"\\", "\\"};
};

void RunWhole(benchmark::State& state, SlotsSession slots)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(slots.session.CompareCaptures(0, 1));
    state.SetItemsProcessed(state.iterations() * CCaptureImage::kWidth * CCaptureImage::kHeight);
}

void RunPartial(benchmark::State& state, SlotsSession slots)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(slots.session.ComparePartialCaptures());
    state.SetItemsProcessed(state.iterations() * CCaptureImage::kWidth * CCaptureImage::kHeight);
}

void BM_CompareCaptures32(benchmark::State& state)
{
    auto examinee = MakePicture(1);
    auto reference = Repaint(*examinee, 40, 30, 120, 90, 37, 2);
    RunWhole(state, SlotsSession(std::move(examinee), std::move(reference)));
}
BENCHMARK(BM_CompareCaptures32)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_ComparePartialCaptures32(benchmark::State& state)
{
    auto initial = MakePicture(3);
    auto reference = Repaint(*initial, 50, 40, 150, 120, 61, 4);
    auto examinee = Repaint(*initial, 55, 45, 150, 115, 58, 5);
    RunPartial(state, SlotsSession(std::move(examinee), std::move(reference), std::move(initial)));
}
BENCHMARK(BM_ComparePartialCaptures32)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

// Every pixel changed, in both: no unchanged area to skip.
void BM_ComparePartialCaptures32_AllChanged(benchmark::State& state)
{
    auto initial = MakePicture(6);
    auto reference = Repaint(*initial, 0, 0, 200, 160, 61, 7);
    auto examinee = Repaint(*initial, 0, 0, 200, 160, 45, 8);
    RunPartial(state, SlotsSession(std::move(examinee), std::move(reference), std::move(initial)));
}
BENCHMARK(BM_ComparePartialCaptures32_AllChanged)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

// A flat document on a flat background, as a capture of a simple exercise looks.
void BM_CompareCaptures32_Flat(benchmark::State& state)
{
    auto examinee = std::make_unique<CCaptureImage>(32);
    auto reference = std::make_unique<CCaptureImage>(32);
    for (int k = 0; k < CCaptureImage::kWidth * CCaptureImage::kHeight; ++k) {
        const bool inside = (k % 200) > 30 && (k % 200) < 170 && k / 200 > 20 && k / 200 < 140;
        const std::uint8_t e[4] = {inside ? std::uint8_t(200) : std::uint8_t(128), inside ? std::uint8_t(40) : std::uint8_t(128), 128, 0};
        const std::uint8_t r[4] = {inside ? std::uint8_t(205) : std::uint8_t(128), inside ? std::uint8_t(60) : std::uint8_t(128), 128, 0};
        std::copy(e, e + 4, examinee->Pixels() + 4 * k);
        std::copy(r, r + 4, reference->Pixels() + 4 * k);
    }
    RunWhole(state, SlotsSession(std::move(examinee), std::move(reference)));
}
BENCHMARK(BM_CompareCaptures32_Flat)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

// A comparison on its own, taking its buffers fresh from the heap: glibc gives memory of this
// size back to the system after each call, so every call faults it in again.
void BM_CompareCaptureImages32_FreshHeap(benchmark::State& state)
{
    const auto examinee = MakePicture(1);
    const auto reference = Repaint(*examinee, 40, 30, 120, 90, 37, 2);
    CSilentMessageBox messages;
    for (auto _ : state)
        benchmark::DoNotOptimize(vantrel::effects::compare::CompareCaptureImages(examinee.get(), reference.get(), messages));
}
BENCHMARK(BM_CompareCaptureImages32_FreshHeap)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

// The parts, for seeing where the time goes.
void BM_PixelSimilarity32(benchmark::State& state)
{
    const auto a = MakePicture(1);
    const auto b = Repaint(*a, 40, 30, 120, 90, 37, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            vantrel::effects::compare::PixelSimilarity(a->Pixels(), b->Pixels(), DisplayFormat::Bits32, a->ByteCount()));
}
BENCHMARK(BM_PixelSimilarity32)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_HistogramSimilarity32(benchmark::State& state)
{
    const auto a = MakePicture(1);
    const auto b = Repaint(*a, 40, 30, 120, 90, 37, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            vantrel::effects::compare::HistogramSimilarity(a->Pixels(), b->Pixels(), DisplayFormat::Bits32, a->ByteCount()));
}
BENCHMARK(BM_HistogramSimilarity32)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_ConvertToGrey32(benchmark::State& state)
{
    const auto a = MakePicture(1);
    CCaptureImage work(32);
    for (auto _ : state) {
        std::copy(a->Pixels(), a->Pixels() + a->ByteCount(), work.Pixels());
        vantrel::effects::compare::ConvertToGrey(work.Pixels(), DisplayFormat::Bits32, work.ByteCount());
        benchmark::DoNotOptimize(work.Pixels());
    }
}
BENCHMARK(BM_ConvertToGrey32)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

}  // namespace
