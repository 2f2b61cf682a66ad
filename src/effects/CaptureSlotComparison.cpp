// The session's comparisons of its capture slots (0 examinee, 1 reference, 2 initial).

#include "effects/PartialImageComparison.h"
#include "effects/WholeImageComparison.h"
#include "grading/MarkSession.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {
const CCaptureImage* SlotImage(const CMarkSession& session, int slot)
{
    if (slot < 0 || slot >= static_cast<int>(session.captureSlots.size()))
        return nullptr;
    return session.captureSlots[static_cast<std::size_t>(slot)].get();
}
}  // namespace

double CMarkSession::CompareCaptures(int first, int second) const
{
    const CCaptureImage* a = SlotImage(*this, first);
    const CCaptureImage* b = SlotImage(*this, second);
    if (a == nullptr || b == nullptr)
        return 0;
    return CompareCaptureImages(a, b, platform::ActivePlatform().MessageBox(), comparisonBuffers);
}

double CMarkSession::ComparePartialCaptures() const
{
    const CCaptureImage* examinee = SlotImage(*this, 0);
    const CCaptureImage* reference = SlotImage(*this, 1);
    const CCaptureImage* initial = SlotImage(*this, 2);
    if (examinee == nullptr || reference == nullptr || initial == nullptr)
        return 0;
    return ComparePartialCaptureImages(examinee, reference, initial, platform::ActivePlatform().MessageBox(),
                                       comparisonBuffers);
}

}  // namespace vantrel
