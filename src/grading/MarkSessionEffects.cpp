// The session's effect criteria: the editor session that captures the documents into the
// slots, and the comparisons of the slots.

#include "effects/compare/CaptureSlotComparison.h"
#include "effects/session/EditorSession.h"
#include "effects/session/EffectCriterion.h"
#include "effects/session/HostControl.h"
#include "grading/MarkSession.h"
#include "text/WhiteSpace.h"

using vantrel::effects::compare::CCaptureSlots;
using vantrel::effects::compare::CEffectImages;
using vantrel::effects::compare::CEffectReport;
using vantrel::effects::compare::CaptureShortfall;
using vantrel::effects::compare::CaptureSlot;
using vantrel::effects::compare::CopyOfCapture;
using vantrel::effects::compare::EffectMode;
using vantrel::effects::compare::SlotOf;

namespace vantrel::grading {

namespace {

bool IsSlotNumber(int slot)
{
    return slot >= 0 && slot < static_cast<int>(std::tuple_size_v<CCaptureSlots>);
}

// The slots as the comparison saw them; the starting image only where it took part.
void KeepCapturesCompared(const CCaptureSlots& slots, bool initialTookPart, CEffectImages& images)
{
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots[slot] && (initialTookPart || slot != static_cast<std::size_t>(CaptureSlot::Initial)))
            images.captures[slot] = CopyOfCapture(*slots[slot]);
    }
}

}  // namespace

void CMarkSession::ParseEffectArguments(std::string& text, std::string& source, std::string& initial)
{
    effects::session::ParseEffectArguments(text, source, initial);
}

double CMarkSession::EvaluateEffect(std::string& arguments, EffectMode mode)
{
    CEffectReport report;
    report.mode = mode;
    // Copies of the images only for an observer that shows them; plain grading pays nothing.
    if (currentBlock && observer && observer->WantsEffectImages()) report.images = std::make_shared<CEffectImages>();
    auto finish = [&](double similarity) {
        report.similarity = similarity;
        // A partial effect compares against whatever starting image the slot holds.
        if (report.images)
            KeepCapturesCompared(captureSlots, mode == EffectMode::Partial || !report.initialFile.empty(), *report.images);
        if (currentBlock) currentBlock->effects.push_back(report);
        return similarity;
    };

    std::string source;
    std::string initial;
    ParseEffectArguments(arguments, source, initial);
    text::Trim(source);
    text::Trim(initial);
    report.sourceFile = source;
    report.initialFile = initial;
    // A capture that fails must never compare an image left from an earlier criterion; the
    // starting image is kept, as a later criterion may rely on it.
    SlotOf(captureSlots, CaptureSlot::Examinee).reset();
    SlotOf(captureSlots, CaptureSlot::Reference).reset();
    // The editor's reasons are asked for only when someone will read them.
    std::string* reason = currentBlock ? &report.shortfallReason : nullptr;
    auto fallShort = [&](CaptureShortfall shortfall) {
        if (currentBlock) report.shortfall = shortfall;
    };
    if (source.empty()) {
        fallShort(CaptureShortfall::NoReferenceNamed);
        return finish(0);
    }

    effects::session::CEditorSession editor;
    if (!editor.Start()) {
        fallShort(CaptureShortfall::EditorNotStarted);
        return finish(0);
    }
    FindMainWindow();
    if (editor.HasMainWindow()) {
        if (!CaptureDocument(documentFileName, CaptureSlot::Examinee, reason)) {
            editor.End();
            fallShort(CaptureShortfall::ExamineeNotOpened);
            return finish(0);
        }
        if (!CaptureDocument(source, CaptureSlot::Reference, reason)) {
            editor.End();
            fallShort(CaptureShortfall::ReferenceNotOpened);
            return finish(1);
        }
        if (!initial.empty() && !CaptureDocument(initial, CaptureSlot::Initial, reason))
            fallShort(CaptureShortfall::InitialNotOpened);
    } else {
        fallShort(CaptureShortfall::NoMainWindow);
    }
    editor.End();
    if (currentBlock && report.shortfall == CaptureShortfall::None) {
        if (!SlotOf(captureSlots, CaptureSlot::Examinee)) report.shortfall = CaptureShortfall::ExamineeNotShown;
        else if (!SlotOf(captureSlots, CaptureSlot::Reference)) report.shortfall = CaptureShortfall::ReferenceNotShown;
    }

    return finish(effects::compare::SimilarityOfCaptures(captureSlots, mode, !initial.empty(),
                                                platform::ActivePlatform().MessageBox(), comparisonBuffers, report));
}

void CMarkSession::FindMainWindow()
{
    effects::session::FindMainWindow();
}

bool CMarkSession::CaptureDocument(const std::string& name, CaptureSlot slot, std::string* reason)
{
    const std::string& directory = slot == CaptureSlot::Examinee ? answerDirectory : keyDirectory;
    return effects::session::CaptureDocument(directory, name, SlotOf(captureSlots, slot), reason);
}

void CMarkSession::CaptureWindow(platform::WindowHandle window, CaptureSlot slot)
{
    effects::session::CaptureWindow(window, SlotOf(captureSlots, slot));
}

double CMarkSession::CompareCaptures(int first, int second) const
{
    if (!IsSlotNumber(first) || !IsSlotNumber(second)) return 0;
    return effects::compare::CompareCaptures(captureSlots, static_cast<CaptureSlot>(first), static_cast<CaptureSlot>(second),
                                    platform::ActivePlatform().MessageBox(), comparisonBuffers);
}

double CMarkSession::ComparePartialCaptures() const
{
    return effects::compare::ComparePartialCaptures(captureSlots, platform::ActivePlatform().MessageBox(), comparisonBuffers);
}

}  // namespace vantrel::grading
