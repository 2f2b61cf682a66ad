#include <exception>
#include <iostream>
#include <memory>
#include <vector>

#include "CaptureCommand.h"
#include "CompareCommand.h"
#include "Commands.h"
#include "GradeCommand.h"
#include "InspectCommand.h"

namespace {

int ParseAndRun(int argc, char** argv)
{
    CLI::App app{"vantrel: grades practical image-editing exams"};
    app.require_subcommand(1);
    std::vector<std::unique_ptr<vantrel::cli::Command>> commands;
    commands.push_back(vantrel::cli::MakeGradeCommand(app));
    commands.push_back(vantrel::cli::MakeInspectCommand(app));
    commands.push_back(vantrel::cli::MakeCaptureCommand(app));
    commands.push_back(vantrel::cli::MakeCompareCommand(app));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : vantrel::cli::kExitUsage;
    }
    for (auto& command : commands)
        if (command->app->parsed()) return command->Run();
    return vantrel::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv)
{
    // Whatever a command did not foresee is one line and a failure, never an abort.
    try {
        return ParseAndRun(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "vantrel: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "vantrel: an unexpected failure\n";
    }
    return vantrel::cli::kExitFailed;
}
