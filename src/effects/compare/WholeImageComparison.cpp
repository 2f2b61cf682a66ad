#include "effects/compare/WholeImageComparison.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/CaptureImage.h"
#include "effects/compare/kernels/ComparisonKernels.h"
#include "effects/compare/HistogramCosine.h"
#include "effects/compare/PixelUnpacking.h"
#include "platform/Platform.h"

using vantrel::platform::CCaptureImage;
using vantrel::platform::DisplayFormat;
using vantrel::platform::DisplayFormatFor;


namespace vantrel::effects::compare {

namespace {

// The double nearest to one third. The channel means multiply by it rather than divide by 3,
// and the last bit of a result depends on that.
constexpr double kOneThird = 0.3333333333333333;

}  // namespace

double HistogramSimilarity(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                           std::size_t byteCount)
{
    if (!IsComparableFormat(format))
        return 0;
    const kernels::ChannelBinCounts counts =
        kernels::CountChannelBins(first, second, format, PixelCount(format, byteCount));
    double cosine[3];
    for (int c = 0; c < 3; ++c)
        cosine[c] = HistogramCosine(counts.first[c], counts.second[c], 0);
    return (cosine[2] + cosine[1] + cosine[0]) * kOneThird;
}

double PixelSimilarity(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                       std::size_t byteCount)
{
    if (!IsComparableFormat(format))
        return 0;
    const kernels::PixelPairSums sums =
        kernels::SumPixelPairs(first, second, format, PixelCount(format, byteCount));
    double na[3];
    double nb[3];
    double nd[3];
    for (int c = 0; c < 3; ++c) {
        // The integer sums are what adding the squares into doubles gives: every partial sum is
        // an integer below 2^53.
        na[c] = std::sqrt(static_cast<double>(sums.first[c]));
        nb[c] = std::sqrt(static_cast<double>(sums.second[c]));
        nd[c] = std::sqrt(static_cast<double>(sums.apart[c]));
    }
    const double ma = (na[2] + na[1] + na[0]) * kOneThird;
    const double mb = (nb[2] + nb[1] + nb[0]) * kOneThird;
    const double md = (nd[2] + nd[1] + nd[0]) * kOneThird;
    const double denominator = md + std::max(ma, mb);
    // Only two entirely black images leave nothing to divide by, and they are identical.
    if (!(denominator > 0))
        return 1;
    return std::min(ma, mb) / denominator;
}

double CompareCaptureImages(const CCaptureImage* first, const CCaptureImage* second,
                            platform::IMessageBox& messages, IComparisonAllocator& allocator)
{
    if (first == nullptr || second == nullptr)
        return 0;
    const std::optional<DisplayFormat> format = DisplayFormatFor(first->BitsPerPixel());
    if (!format)
        return 0;
    const std::size_t byteCount =
        static_cast<std::size_t>(first->BytesPerRow()) * static_cast<std::size_t>(first->Height());
    // A second capture of another depth or size cannot be read in the first one's format.
    if (second->BitsPerPixel() != first->BitsPerPixel() ||
        static_cast<std::size_t>(second->BytesPerRow()) * static_cast<std::size_t>(second->Height()) != byteCount)
        return 0;

    CComparisonBuffer a(allocator);
    CComparisonBuffer b(allocator);
    if (!a.Acquire(byteCount)) {
        messages.Show(kComparisonOutOfMemoryMessage);
        return 0;
    }
    if (!b.Acquire(byteCount)) {
        a.Release();
        messages.Show(kComparisonOutOfMemoryMessage);
        return 0;
    }
    std::memcpy(a.Bytes(), first->Pixels(), byteCount);
    std::memcpy(b.Bytes(), second->Pixels(), byteCount);

    const double p = PixelSimilarity(a.Bytes(), b.Bytes(), *format, byteCount);
    const double h = HistogramSimilarity(a.Bytes(), b.Bytes(), *format, byteCount);
    return (h + p) * 0.5;
}

}  // namespace vantrel::effects::compare
