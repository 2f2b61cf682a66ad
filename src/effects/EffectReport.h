#pragma once

#include <optional>
#include <string>

namespace vantrel {

// EFFECT and EFFECTS compare whole captures; PARTEFFECT and PARTEFFECTS only what changed
// against the starting image.
enum class EffectMode { Whole = 0, Partial = 1 };

// What one effect criterion found, for callers that want to see why a block scored as it did.
struct CEffectReport {
    EffectMode mode = EffectMode::Whole;
    std::string sourceFile;
    std::string initialFile;
    std::optional<double> examineeVsReference;  // whole-image similarity a
    std::optional<double> initialVsReference;   // whole-image similarity b
    double similarity = 0;
};

}  // namespace vantrel
