#pragma once

#include "effects/compare/CaptureSlots.h"
#include "effects/compare/ComparisonBuffers.h"
#include "effects/compare/EffectReport.h"
#include "effects/compare/PartialImageComparison.h"
#include "platform/Platform.h"

namespace vantrel::effects::compare {

// The whole-image similarity of two slots' captures; 0 when either slot is empty.
double CompareCaptures(const CCaptureSlots& slots, CaptureSlot first, CaptureSlot second,
                       platform::IMessageBox& messages, IComparisonAllocator& allocator);

// The partial similarity of the examinee, reference and initial captures; 0 when one is missing.
double ComparePartialCaptures(const CCaptureSlots& slots, platform::IMessageBox& messages,
                              IComparisonAllocator& allocator, CPartialChangeImages* changes = nullptr);

// The similarity an effect criterion gives once its captures are in the slots: the partial
// measure, the whole-image measure, or with a starting image the improvement rule over the
// examinee's and the starting image's whole-image measures. The report gets those measures,
// and, when it carries images, the change images of a partial comparison.
double SimilarityOfCaptures(const CCaptureSlots& slots, EffectMode mode, bool withInitial,
                            platform::IMessageBox& messages, IComparisonAllocator& allocator,
                            CEffectReport& report);

}  // namespace vantrel::effects::compare
