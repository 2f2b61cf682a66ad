#pragma once

#include <memory>

#include "commands/Commands.h"

namespace vantrel::cli::commands {

// vantrel capture FILE -o OUT.png [--bpp 32|24|16]: the capture grading takes of a document.
std::unique_ptr<Command> MakeCaptureCommand(CLI::App& app);

}  // namespace vantrel::cli::commands
