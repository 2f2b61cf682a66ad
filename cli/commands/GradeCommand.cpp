#include "commands/GradeCommand.h"

#include <filesystem>
#include <iostream>

#include <nlohmann/json.hpp>

#include "commands/AnswerKeyFile.h"
#include "commands/CodePageOption.h"
#include "commands/ExamineeGrading.h"
#include "commands/JsonText.h"

namespace vantrel::cli::commands {

namespace {

class GradeCommand : public Command {
public:
    explicit GradeCommand(CLI::App& parent)
    {
        app = parent.add_subcommand("grade", "Grade an answer key against the examinee's and the examiner's folders");
        app->add_option("KEYFILE", keyFile_, "the answer key")->required();
        app->add_option("--answers", answers_, "the folder of the examinee's documents")->required();
        app->add_option("--keys", keys_, "the folder of the examiner's documents")->required();
        AddCodePageOption(*app, codePage_);
        app->add_flag("--json", json_, "print the mark and each scoring block as JSON");
        app->add_option("--captures", captures_,
                        "write the images each effect criterion compared into this folder, as PNG");
    }

    int Run() override
    {
        std::string key;
        bool keyMarkedUtf8 = false;
        if (!ReadAnswerKeyFile(keyFile_, key, keyMarkedUtf8)) return kExitUsage;
        for (const auto* dir : {&answers_, &keys_}) {
            if (!std::filesystem::is_directory(*dir)) {
                std::cerr << "vantrel: no such directory: " << *dir << "\n";
                return kExitUsage;
            }
        }
        if (!captures_.empty()) {
            std::error_code error;
            std::filesystem::create_directories(captures_, error);
            if (!std::filesystem::is_directory(captures_)) {
                std::cerr << "vantrel: cannot make the folder " << captures_ << "\n";
                return kExitFailed;
            }
        }
        ApplyCodePage(codePage_, keyMarkedUtf8);

        const CExamineeGrading graded = GradeExaminee(key, answers_, keys_, {captures_, {}, {}});
        if (!json_) std::cout << ShortestDecimal(graded.mark) << "\n";
        else std::cout << JsonText({{"mark", graded.mark}, {"status", graded.status}, {"blocks", graded.blocks}}) << "\n";
        if (!graded.captureFailure.empty()) {
            std::cerr << "vantrel: " << graded.captureFailure << "\n";
            return kExitFailed;
        }
        return kExitDone;
    }

private:
    std::string keyFile_;
    std::string answers_;
    std::string keys_;
    std::string codePage_;
    std::string captures_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeGradeCommand(CLI::App& app) { return std::make_unique<GradeCommand>(app); }

}  // namespace vantrel::cli::commands
