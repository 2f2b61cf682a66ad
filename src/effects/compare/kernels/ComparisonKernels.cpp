// Chooses the loops for each call: the 256-bit ones where the processor has them and the caller
// allows them, then the 128-bit ones for what those leave, then the portable ones for the rest.

#include "effects/compare/kernels/ComparisonKernels.h"

#include "effects/compare/kernels/ComparisonKernelPaths.h"

using vantrel::platform::DisplayFormat;


namespace vantrel::effects::compare::kernels {

namespace {

#ifdef VANTREL_KERNELS_AVX2
bool UseAvx2(KernelPath path)
{
    static const bool processorHasAvx2 = [] {
        __builtin_cpu_init();  // in case this runs before the compiler's own start-up code
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return path == KernelPath::Fastest && processorHasAvx2;
}
#endif

}  // namespace

PixelPairSums SumPixelPairs(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                            std::size_t pixelCount, [[maybe_unused]] KernelPath path)
{
    PixelPairSums sums;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_AVX2
    if (UseAvx2(path))
        done = detail::SumPixelPairsAvx2(first, second, format, pixelCount, sums);
#endif
#ifdef VANTREL_KERNELS_SSE2
    if (path != KernelPath::Portable)
        done = detail::SumPixelPairsSse2(first, second, format, done, pixelCount, sums);
#endif
    detail::SumPixelPairsPortable(first, second, format, done, pixelCount, sums);
    return sums;
}

ChannelBinCounts CountChannelBins(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                                  std::size_t pixelCount, [[maybe_unused]] KernelPath path)
{
    ChannelBinCounts counts;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_AVX2
    if (UseAvx2(path))
        done = detail::CountChannelBinsAvx2(first, second, format, pixelCount, counts);
#endif
#ifdef VANTREL_KERNELS_SSE2
    if (path != KernelPath::Portable)
        done = detail::CountChannelBinsSse2(first, second, format, done, pixelCount, counts);
#endif
    detail::CountChannelBinsPortable(first, second, format, done, pixelCount, counts);
    return counts;
}

void SubtractInitial(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount,
                     [[maybe_unused]] KernelPath path)
{
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path != KernelPath::Portable)
        done = detail::SubtractInitialSse2(changed, initial, byteCount);
#endif
    detail::SubtractInitialPortable(changed, initial, done, byteCount);
}

void ConvertPixelsToGrey(std::uint8_t* bytes, DisplayFormat format, std::size_t pixelCount,
                         [[maybe_unused]] KernelPath path)
{
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_AVX2
    if (UseAvx2(path))
        done = detail::ConvertPixelsToGreyAvx2(bytes, format, pixelCount);
#endif
#ifdef VANTREL_KERNELS_SSE2
    if (path != KernelPath::Portable)
        done = detail::ConvertPixelsToGreySse2(bytes, format, done, pixelCount);
#endif
    detail::ConvertPixelsToGreyPortable(bytes, format, done, pixelCount);
}

GreyPairSums SumGreyPairs(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                          [[maybe_unused]] KernelPath path)
{
    GreyPairSums sums;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path != KernelPath::Portable)
        done = detail::SumGreyPairsSse2(first, second, pixelCount, sums);
#endif
    detail::SumGreyPairsPortable(first, second, done, pixelCount, sums);
    return sums;
}

GreyBinCounts CountGreyBins(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                            [[maybe_unused]] KernelPath path)
{
    GreyBinCounts counts;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path != KernelPath::Portable)
        done = detail::CountGreyBinsSse2(first, second, pixelCount, counts);
#endif
    detail::CountGreyBinsPortable(first, second, done, pixelCount, counts);
    return counts;
}

}  // namespace vantrel::effects::compare::kernels
