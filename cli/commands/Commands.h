#pragma once

#include <CLI/CLI.hpp>

namespace vantrel::cli::commands {

// Each command registers its options on the application and runs when chosen. A run's
// result is the process's exit status.
struct Command {
    CLI::App* app = nullptr;
    virtual ~Command() = default;
    virtual int Run() = 0;
};

// Exit statuses: 0 done, 1 some input could not be handled, 2 a usage error.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace vantrel::cli::commands
