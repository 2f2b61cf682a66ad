#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "commands/EffectImageFiles.h"

namespace vantrel::cli::commands {

// One examinee graded with everything a person may want to see of it.
struct CExamineeGrading {
    double mark = 0;
    nlohmann::json blocks = nlohmann::json::array();  // as `grade --json` prints them
    std::string captureFailure;                       // why a capture image was not written, if one was not
    std::string status;                               // "graded", or which documents were not and why
};

// A criterion's "result" in the blocks' JSON when grading did not look at it.
constexpr const char* kNotEvaluated = "not evaluated";

// Grades one examinee; each block's JSON tells the outcome of each of its criteria, and the
// status which of the key's documents could not be graded as handed in. With folders for the captures, each effect criterion's captures (and a
// partial effect's change images) are written there as PNG files, exactly the images the
// comparison saw, and each effect's JSON names them under "captures". A failure inside the
// library grades as 0, as the library's own entry point does.
CExamineeGrading GradeExaminee(const std::string& key, const std::string& answers, const std::string& keys,
                               const CImageFolders& captures = {});

// The shortest decimal that reads back to the same double.
std::string ShortestDecimal(double value);

}  // namespace vantrel::cli::commands
