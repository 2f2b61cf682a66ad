#include "commands/CheckCommand.h"

#include <filesystem>
#include <iostream>

#include "commands/AnswerKeyFile.h"
#include "commands/CodePageOption.h"
#include "commands/KeyCheck.h"

namespace vantrel::cli::commands {

namespace {

class CheckCommand : public Command {
public:
    explicit CheckCommand(CLI::App& parent)
    {
        app = parent.add_subcommand("check", "Check an answer key against the examiner's folder, grading nobody");
        app->add_option("KEYFILE", keyFile_, "the answer key")->required();
        app->add_option("--keys", keys_, "the folder of the examiner's documents")->required();
        AddCodePageOption(*app, codePage_);
    }

    // 0 when the key is clean, 1 when there are warnings.
    int Run() override
    {
        std::string key;
        bool keyMarkedUtf8 = false;
        if (!ReadAnswerKeyFile(keyFile_, key, keyMarkedUtf8)) return kExitUsage;
        if (!std::filesystem::is_directory(keys_)) {
            std::cerr << "vantrel: no such directory: " << keys_ << "\n";
            return kExitUsage;
        }
        // Read in the code page grading will use, so that the two cannot disagree.
        ApplyCodePage(codePage_, keyMarkedUtf8);
        const CKeyCheck check = CheckKeyFile(keyFile_, key, keys_);
        std::cout << keyFile_ << ": encoding " << check.encoding << ", line ends " << check.lineEnds << "\n";
        for (const std::string& warning : check.warnings) std::cout << warning << "\n";
        std::cout << check.warnings.size() << (check.warnings.size() == 1 ? " warning" : " warnings") << "\n";
        return check.warnings.empty() ? kExitDone : kExitFailed;
    }

private:
    std::string keyFile_;
    std::string keys_;
    std::string codePage_;
};

}  // namespace

std::unique_ptr<Command> MakeCheckCommand(CLI::App& app) { return std::make_unique<CheckCommand>(app); }

}  // namespace vantrel::cli::commands
