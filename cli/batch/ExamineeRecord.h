#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace vantrel::cli::batch {

// What a batch knows of one examinee: a mark, or none with the reason in the status. A mark
// may come with a status that says which documents could not be graded as handed in.
struct CExamineeRecord {
    std::string examinee;
    std::optional<double> mark;
    std::string status;                               // "graded", "missing: A.PSD", "timed out", ...
    nlohmann::json blocks = nlohmann::json::array();  // each with "line" and "score", and more when known
    std::string documents;                            // the hand-in's fingerprint as graded; empty if unknown
};

constexpr const char* kGradedStatus = "graded";
constexpr const char* kFailedStatus = "failed";
// Graded, with a mark, but a document the key names could not be graded as handed in; the
// keyword comes first, then the document and why: "missing: A.PSD (seen: a.psd.psd)".
constexpr const char* kMissingStatus = "missing";
constexpr const char* kUnreadableStatus = "unreadable";
constexpr const char* kLinkRefusedStatus = "link refused";

}  // namespace vantrel::cli::batch
