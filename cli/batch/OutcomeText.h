#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vantrel::cli::batch {

// One line of plain text for each criterion of a block's JSON (as `grade --json` gives it):
// the criterion, then what became of it, e.g. "IMAGE(WIDTH=640): width 600, asked 640: not met".
// A block without outcomes (from an older results file) gives the criteria alone.
std::vector<std::string> OutcomeLines(const nlohmann::json& block);

}  // namespace vantrel::cli::batch
