#pragma once

// Whole-image comparison: how alike two captures are, as the mean of a histogram measure (how
// the channel values are distributed) and a pixel measure (position by position, forgiving
// differences of up to 10 levels per channel).

#include <cstddef>
#include <cstdint>

#include "effects/compare/ComparisonBuffers.h"
#include "platform/DisplayFormat.h"

namespace vantrel::platform {
class CCaptureImage;
class IMessageBox;
}  // namespace vantrel::platform

namespace vantrel::effects::compare {

// The cosine of the angle between the two images' channel histograms, each reduced to 26 bins
// (values 0-9, 10-19, ..., 240-249, and 250-255), averaged over the three channels. Both runs
// hold byteCount bytes in the given format. A result from 0 to 1, symmetric in the images; 0 for
// a format that is not one of the four.
double HistogramSimilarity(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                           std::size_t byteCount);

// min(MA, MB) / (MD + max(MA, MB)), where MA, MB and MD are the channel means of the norms of
// the two images and of their differences beyond a tolerance of 10; within the tolerance both
// images are credited with the brighter value. A result from 0 to 1, symmetric in the images;
// two entirely black images are alike (1); 0 for a format that is not one of the four.
double PixelSimilarity(const std::uint8_t* first, const std::uint8_t* second, platform::DisplayFormat format,
                       std::size_t byteCount);

// (HistogramSimilarity + PixelSimilarity) / 2 of two captures, read in the first one's format.
// 0 when either is missing, when the first one's depth cannot be compared, when the second one
// differs from it in depth or size, and when the two working buffers cannot be had; only the
// last shows the out-of-memory message.
double CompareCaptureImages(const platform::CCaptureImage* first, const platform::CCaptureImage* second,
                            platform::IMessageBox& messages,
                            IComparisonAllocator& allocator = DefaultComparisonAllocator());

}  // namespace vantrel::effects::compare
