#pragma once

#include <memory>

#include "commands/Commands.h"

namespace vantrel::cli::commands {

std::unique_ptr<Command> MakeCheckCommand(CLI::App& app);

}  // namespace vantrel::cli::commands
