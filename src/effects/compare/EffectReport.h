#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CaptureImage.h"

namespace vantrel::effects::compare {

// EFFECT and EFFECTS compare whole captures; PARTEFFECT and PARTEFFECTS only what changed
// against the starting image.
enum class EffectMode { Whole = 0, Partial = 1 };

// The images an effect criterion compared, kept only for a caller that asks to show them.
struct CEffectImages {
    // Copies of the capture slots as compared (0 examinee, 1 reference, 2 initial); null
    // where a slot was empty or took no part.
    std::array<std::shared_ptr<const platform::CCaptureImage>, 3> captures;
    // For partial effects: the grey change images (one byte a pixel, 200 x 160) of the
    // examinee's and the reference's changes against the starting image, as the partial
    // measure compared them; empty when the comparison did not get that far.
    std::vector<std::uint8_t> examineeChange;
    std::vector<std::uint8_t> referenceChange;
};

// Why an effect criterion compared less than the three captures it asks for, where it did.
enum class CaptureShortfall {
    None,
    NoReferenceNamed,    // no SOURCEFILE: scores 0
    EditorNotStarted,    // scores 0
    NoMainWindow,        // the editor showed no main window: nothing was captured
    ExamineeNotOpened,   // the editor refused the examinee's document: scores 0
    ReferenceNotOpened,  // the editor refused the reference: full credit
    ExamineeNotShown,    // opened, but no window showed it to capture
    ReferenceNotShown,
    InitialNotOpened,    // the comparison used whatever starting image the slot held
};

// What one effect criterion found, for callers that want to see why a block scored as it did.
struct CEffectReport {
    EffectMode mode = EffectMode::Whole;
    std::string sourceFile;
    std::string initialFile;
    std::optional<double> examineeVsReference;  // whole-image similarity a
    std::optional<double> initialVsReference;   // whole-image similarity b
    double similarity = 0;
    CaptureShortfall shortfall = CaptureShortfall::None;
    std::string shortfallReason;  // the editor's own words, where it gave some
    // Set by a session whose observer wants the images; null otherwise.
    std::shared_ptr<CEffectImages> images;
};

}  // namespace vantrel::effects::compare
