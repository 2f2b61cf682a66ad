#include "effects/compare/CaptureSlotComparison.h"

#include "effects/compare/ImprovementRule.h"
#include "effects/compare/PartialImageComparison.h"
#include "effects/compare/WholeImageComparison.h"

using vantrel::platform::CCaptureImage;

namespace vantrel::effects::compare {

double CompareCaptures(const CCaptureSlots& slots, CaptureSlot first, CaptureSlot second,
                       platform::IMessageBox& messages, IComparisonAllocator& allocator)
{
    const CCaptureImage* a = ImageIn(slots, first);
    const CCaptureImage* b = ImageIn(slots, second);
    if (a == nullptr || b == nullptr)
        return 0;
    return CompareCaptureImages(a, b, messages, allocator);
}

double ComparePartialCaptures(const CCaptureSlots& slots, platform::IMessageBox& messages,
                              IComparisonAllocator& allocator, CPartialChangeImages* changes)
{
    const CCaptureImage* examinee = ImageIn(slots, CaptureSlot::Examinee);
    const CCaptureImage* reference = ImageIn(slots, CaptureSlot::Reference);
    const CCaptureImage* initial = ImageIn(slots, CaptureSlot::Initial);
    if (examinee == nullptr || reference == nullptr || initial == nullptr)
        return 0;
    return ComparePartialCaptureImages(examinee, reference, initial, messages, allocator, changes);
}

double SimilarityOfCaptures(const CCaptureSlots& slots, EffectMode mode, bool withInitial,
                            platform::IMessageBox& messages, IComparisonAllocator& allocator,
                            CEffectReport& report)
{
    if (mode == EffectMode::Partial) {
        if (!report.images) return ComparePartialCaptures(slots, messages, allocator);
        CPartialChangeImages changes;
        const double similarity = ComparePartialCaptures(slots, messages, allocator, &changes);
        report.images->examineeChange = std::move(changes.examinee);
        report.images->referenceChange = std::move(changes.reference);
        return similarity;
    }
    const double a = CompareCaptures(slots, CaptureSlot::Examinee, CaptureSlot::Reference, messages, allocator);
    report.examineeVsReference = a;
    if (!withInitial) return a;
    const double b = CompareCaptures(slots, CaptureSlot::Initial, CaptureSlot::Reference, messages, allocator);
    report.initialVsReference = b;
    return ApplyImprovementRule(a, b);
}

}  // namespace vantrel::effects::compare
