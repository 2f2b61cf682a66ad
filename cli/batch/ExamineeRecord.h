#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace vantrel::cli::batch {

// What a batch knows of one examinee: a mark, or none with the reason in the status.
struct CExamineeRecord {
    std::string examinee;
    std::optional<double> mark;
    std::string status;                               // "graded", "crashed: signal N", "timed out", ...
    nlohmann::json blocks = nlohmann::json::array();  // each with "line" and "score", and more when known
    std::string documents;                            // the hand-in's fingerprint as graded; empty if unknown
};

constexpr const char* kGradedStatus = "graded";
constexpr const char* kFailedStatus = "failed";

}  // namespace vantrel::cli::batch
