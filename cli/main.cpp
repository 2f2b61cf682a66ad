#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands/AllocatorSettings.h"
#include "commands/BatchCommand.h"
#include "commands/CaptureCommand.h"
#include "commands/CheckCommand.h"
#include "commands/CompareCommand.h"
#include "commands/Commands.h"
#include "commands/GradeCommand.h"
#include "commands/InspectCommand.h"

#include <unistd.h>

namespace {

int ParseAndRun(int argc, char** argv)
{
    CLI::App app{"vantrel: grades practical image-editing exams"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vantrel " VANTREL_VERSION);
    std::vector<std::unique_ptr<vantrel::cli::commands::Command>> commands;
    commands.push_back(vantrel::cli::commands::MakeGradeCommand(app));
    commands.push_back(vantrel::cli::commands::MakeInspectCommand(app));
    commands.push_back(vantrel::cli::commands::MakeCaptureCommand(app));
    commands.push_back(vantrel::cli::commands::MakeCompareCommand(app));
    commands.push_back(vantrel::cli::commands::MakeBatchCommand(app));
    commands.push_back(vantrel::cli::commands::MakeCheckCommand(app));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        // One line, as every other error: what was wrong, and where to look.
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        std::cerr << "vantrel: " << message << " (see vantrel --help)\n";
        return vantrel::cli::commands::kExitUsage;
    }
    for (auto& command : commands)
        if (command->app->parsed()) return command->Run();
    return vantrel::cli::commands::kExitUsage;
}

// Standard output is buffered: a full disk or a closed descriptor shows only when it is flushed
// or closed, after the command has finished. False with the reason when output was lost.
bool FinishStandardOutput(std::string& reason)
{
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout) && !std::cout.fail();
    // Closing what was never open loses nothing.
    const bool closed = flushed && (::close(STDOUT_FILENO) == 0 || errno == EBADF);
    if (flushed && closed) return true;
    reason = "cannot write the output";
    if (errno != 0) reason += std::string(": ") + std::strerror(errno);
    return false;
}

int RunCaught(int argc, char** argv)
{
    // Whatever a command did not foresee is one line and a failure, never an abort.
    try {
        return ParseAndRun(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "vantrel: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "vantrel: an unexpected failure\n";
    }
    return vantrel::cli::commands::kExitFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    vantrel::cli::commands::KeepFreedMemory();
    const int status = RunCaught(argc, argv);
    std::string reason;
    if (FinishStandardOutput(reason)) return status;
    std::cerr << "vantrel: " << reason << "\n";
    return status == vantrel::cli::commands::kExitDone ? vantrel::cli::commands::kExitFailed : status;
}
