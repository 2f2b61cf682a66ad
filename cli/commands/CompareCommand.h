#pragma once

#include <memory>

#include "commands/Commands.h"

namespace vantrel::cli::commands {

// vantrel compare EXAMINEE REFERENCE [--initial START] [--partial]: the similarity an effect
// criterion gives for these documents.
std::unique_ptr<Command> MakeCompareCommand(CLI::App& app);

}  // namespace vantrel::cli::commands
