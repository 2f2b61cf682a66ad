#pragma once

#include <memory>

#include "commands/Commands.h"

namespace vantrel::cli::commands {

// `vantrel batch merge`: registered on the batch command, whose own arguments it does not take.
std::unique_ptr<Command> MakeBatchMergeCommand(CLI::App& batch);

}  // namespace vantrel::cli::commands
