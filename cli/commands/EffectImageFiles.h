#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "effects/compare/EffectReport.h"

namespace vantrel::cli::commands {

// Where one examinee's images go. The captures of the reference and the starting image are the
// same for every examinee of a key; with a shared folder each is written there once, named by
// its content, so that a class of hundreds does not write hundreds of copies.
struct CImageFolders {
    std::string examinee;
    std::string shared;              // empty: every image goes to the examinee's folder
    std::string sharedFromExaminee;  // the shared folder as a path relative to the examinee's
};

// Writes the images one effect criterion compared as STEM-examinee.png, STEM-reference.png,
// STEM-initial.png and, for a partial effect, STEM-examinee-change.png and
// STEM-reference-change.png. With a shared folder, the reference, starting and reference-change
// images go there and the examinee's capture into its folder, each named by its pixels and
// written once. Returns the names written, by role ("examinee", "reference",
// "initial", "examinee_change", "reference_change"), relative to the examinee's folder; reason
// says why one could not be written.
nlohmann::json WriteEffectImageFiles(const effects::compare::CEffectImages& images, const CImageFolders& folders,
                                     const std::string& stem, std::string& reason);

}  // namespace vantrel::cli::commands
