#pragma once

#include <memory>

#include "commands/Commands.h"

namespace vantrel::cli::commands {

// vantrel grade KEYFILE --answers DIR --keys DIR [--codepage NAME] [--json] [--captures DIR]
std::unique_ptr<Command> MakeGradeCommand(CLI::App& app);

}  // namespace vantrel::cli::commands
