#include "effects/compare/PartialImageComparison.h"

#include <algorithm>
#include <array>
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

void MakeDifferenceImage(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount)
{
    kernels::SubtractInitial(changed, initial, byteCount);
}

std::uint8_t GreyValue(std::uint8_t c0, std::uint8_t c1, std::uint8_t c2)
{
    return kernels::GreyOf(c0, c1, c2);
}

void ConvertToGrey(std::uint8_t* bytes, DisplayFormat format, std::size_t byteCount)
{
    if (!IsComparableFormat(format) || format == DisplayFormat::Bits8)
        return;
    kernels::ConvertPixelsToGrey(bytes, format, PixelCount(format, byteCount));
}

double GreyPixelSimilarity(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount)
{
    const kernels::GreyPairSums sums = kernels::SumGreyPairs(first, second, pixelCount);
    // Q collects the first image's values and P the second's.
    const double rootQ = std::sqrt(static_cast<double>(sums.firstSum));
    const double rootP = std::sqrt(static_cast<double>(sums.secondSum));
    const double larger = std::max(rootP, rootQ);
    // No pair qualified: no pixel tells the two changes apart.
    if (!(larger > 0))
        return 1;
    return std::min(rootP, rootQ) / larger;
}

double GreyHistogramSimilarity(const std::uint8_t* first, const std::uint8_t* second,
                               std::size_t pixelCount)
{
    const kernels::GreyBinCounts counts = kernels::CountGreyBins(first, second, pixelCount);
    // Bin 0 holds every pixel that nobody changed, so it says nothing about the changes.
    return HistogramCosine(counts.first, counts.second, 1);
}

double CombinePartialMeasures(double pixelMeasure, double histogramMeasure)
{
    const double m = (histogramMeasure + pixelMeasure) * 0.5;
    if (m >= 0.85)
        return std::pow(m, 1.1);
    return 0.7 * std::min(pixelMeasure, histogramMeasure) + 0.3 * std::max(pixelMeasure, histogramMeasure);
}

double ComparePartialCaptureImages(const CCaptureImage* examinee, const CCaptureImage* reference,
                                   const CCaptureImage* initial, platform::IMessageBox& messages,
                                   IComparisonAllocator& allocator, CPartialChangeImages* changes)
{
    if (examinee == nullptr || reference == nullptr || initial == nullptr)
        return 0;
    const std::optional<DisplayFormat> format = DisplayFormatFor(examinee->BitsPerPixel());
    if (!format)
        return 0;
    const std::size_t byteCount = static_cast<std::size_t>(examinee->BytesPerRow()) *
                                  static_cast<std::size_t>(examinee->Height());
    // Captures of another depth or size cannot be read in the examinee capture's format.
    for (const CCaptureImage* other : {examinee, reference, initial}) {
        if (other->BitsPerPixel() != examinee->BitsPerPixel() || other->ByteCount() != byteCount)
            return 0;
    }
    const std::size_t n = PixelCount(*format, byteCount);

    CComparisonBuffer e(allocator);
    CComparisonBuffer r(allocator);
    CComparisonBuffer i(allocator);
    if (!e.Acquire(byteCount) || !r.Acquire(byteCount) || !i.Acquire(byteCount)) {
        i.Release();
        r.Release();
        e.Release();
        messages.Show(kComparisonOutOfMemoryMessage);
        return 0;
    }
    std::memcpy(e.Bytes(), examinee->Pixels(), byteCount);
    std::memcpy(r.Bytes(), reference->Pixels(), byteCount);
    std::memcpy(i.Bytes(), initial->Pixels(), byteCount);

    MakeDifferenceImage(e.Bytes(), i.Bytes(), byteCount);
    MakeDifferenceImage(r.Bytes(), i.Bytes(), byteCount);
    ConvertToGrey(e.Bytes(), *format, byteCount);
    ConvertToGrey(r.Bytes(), *format, byteCount);
    if (changes) {
        changes->examinee.assign(e.Bytes(), e.Bytes() + n);
        changes->reference.assign(r.Bytes(), r.Bytes() + n);
    }

    const double s1 = GreyPixelSimilarity(e.Bytes(), r.Bytes(), n);
    const double s2 = GreyHistogramSimilarity(e.Bytes(), r.Bytes(), n);
    return CombinePartialMeasures(s1, s2);
}

}  // namespace vantrel::effects::compare
