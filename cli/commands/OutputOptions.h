#pragma once

#include <CLI/CLI.hpp>

#include "batch/CsvResultView.h"

namespace vantrel::cli::commands {

// --decimals N and --maximum-row: how a CSV results file is laid out.
void AddCsvLayoutOptions(CLI::App& app, batch::CCsvLayout& layout);
// --pass-mark X: the lowest mark the report counts as passed.
void AddPassMarkOption(CLI::App& app, double& passMark);

}  // namespace vantrel::cli::commands
