#pragma once

// Partial-image comparison: what the examinee changed against what the examiner changed, both
// measured from the initial image. Each change is reduced to a grey difference image and the
// two are compared position by position and by histogram; pixels nobody changed are left out.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/compare/ComparisonBuffers.h"
#include "platform/DisplayFormat.h"

namespace vantrel::platform {
class CCaptureImage;
class IMessageBox;
}  // namespace vantrel::platform

namespace vantrel::effects::compare {

// Turns changed into its byte-by-byte absolute difference from initial, in place; differences
// of 0, 1 and 2 become 0. Works on bytes whatever the pixel format.
void MakeDifferenceImage(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount);

// The grey value of one pixel: c0 * 0.11 + c1 * 0.59 + c2 * 0.3, added in that order in double
// precision and truncated toward zero. In the display formats c0 is blue, c1 green, c2 red.
std::uint8_t GreyValue(std::uint8_t c0, std::uint8_t c1, std::uint8_t c2);

// Replaces the pixels of a run in the given format by their grey values, one byte per pixel at
// the start of the same run, in place. A one-byte format is its own grey image.
void ConvertToGrey(std::uint8_t* bytes, platform::DisplayFormat format, std::size_t byteCount);

// min(sqrt(P), sqrt(Q)) / max(sqrt(P), sqrt(Q)) over the pixel pairs that differ by 11 or more
// (each image's own value squared) or that are both 10 or more (the brighter value squared, for
// both). A result from 0 to 1, symmetric; 1 when no pair qualifies, since then nothing tells the
// two changes apart.
double GreyPixelSimilarity(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount);

// The cosine of the angle between the two grey histograms reduced to 26 bins, leaving out bin 0
// (values 0-9, every unchanged pixel). A result from 0 to 1, symmetric; 0 when either image has
// nothing outside bin 0.
double GreyHistogramSimilarity(const std::uint8_t* first, const std::uint8_t* second,
                               std::size_t pixelCount);

// The partial similarity from the grey pixel measure s1 and the grey histogram measure s2: for a
// mean m of 0.85 or more m^1.1, which lowers high similarities a little; below it
// 0.7 * min + 0.3 * max, which leans towards the weaker measure.
double CombinePartialMeasures(double pixelMeasure, double histogramMeasure);

// The two grey change images a partial comparison measured, for callers that show them.
struct CPartialChangeImages {
    std::vector<std::uint8_t> examinee;
    std::vector<std::uint8_t> reference;
};

// The partial similarity of three captures: examinee, reference and initial, read in the
// examinee capture's format. 0 when any of them is missing, when the examinee capture's depth
// cannot be compared, when another capture differs from it in depth or size, and when the three
// working buffers cannot be had; only the last shows the out-of-memory message. With changes
// given, the grey change images measured are copied there.
double ComparePartialCaptureImages(const platform::CCaptureImage* examinee, const platform::CCaptureImage* reference,
                                   const platform::CCaptureImage* initial, platform::IMessageBox& messages,
                                   IComparisonAllocator& allocator = DefaultComparisonAllocator(),
                                   CPartialChangeImages* changes = nullptr);

}  // namespace vantrel::effects::compare
