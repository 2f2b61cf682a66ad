#pragma once

#include <memory>

#include "commands/Commands.h"

namespace vantrel::cli::commands {

// vantrel inspect FILE... [--json]: the header values that property criteria see.
std::unique_ptr<Command> MakeInspectCommand(CLI::App& app);

}  // namespace vantrel::cli::commands
