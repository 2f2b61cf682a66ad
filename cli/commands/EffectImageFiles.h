#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "effects/compare/EffectReport.h"

namespace vantrel::cli::commands {

// Writes the images one effect criterion compared into a folder as STEM-examinee.png,
// STEM-reference.png, STEM-initial.png and, for a partial effect, STEM-examinee-change.png and
// STEM-reference-change.png. Returns the names written, by role ("examinee", "reference",
// "initial", "examinee_change", "reference_change"); reason says why one could not be written.
nlohmann::json WriteEffectImageFiles(const effects::compare::CEffectImages& images, const std::string& directory,
                                     const std::string& stem, std::string& reason);

}  // namespace vantrel::cli::commands
