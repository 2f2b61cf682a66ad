#include "GradeCommand.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string_view>

#include <nlohmann/json.hpp>

#include "CodePageOption.h"
#include "JsonText.h"
#include "grading/Grading.h"
#include "platform/posix/CodePageConversion.h"
#include "text/CodePage.h"

namespace vantrel::cli {

namespace {

// The shortest decimal that reads back to the same double.
std::string ShortestDecimal(double value)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;
    return std::string(buffer, end);
}

struct BlockCollector : IGradingObserver {
    void OnBlockScored(const CBlockReport& report) override { blocks.push_back(report); }
    std::vector<CBlockReport> blocks;
};

nlohmann::json ToJson(const CBlockReport& block)
{
    nlohmann::json criteria = nlohmann::json::array();
    for (const auto& criterion : block.criteria) criteria.push_back(platform::ToUtf8(criterion, text::ActiveCodePage()));
    nlohmann::json json = {{"line", block.lineNumber}, {"weight", block.weight}, {"criteria", criteria},
                           {"score", block.score}};
    for (const auto& effect : block.effects) {
        nlohmann::json e = {{"mode", effect.mode == EffectMode::Whole ? "whole" : "partial"},
                            {"source", platform::ToUtf8(effect.sourceFile, text::ActiveCodePage())},
                            {"similarity", effect.similarity}};
        if (!effect.initialFile.empty()) e["initial"] = platform::ToUtf8(effect.initialFile, text::ActiveCodePage());
        if (effect.examineeVsReference) e["examinee_vs_reference"] = *effect.examineeVsReference;
        if (effect.initialVsReference) e["initial_vs_reference"] = *effect.initialVsReference;
        json["effects"].push_back(e);
    }
    return json;
}

// Keys come from ordinary editors. A UTF-8 byte-order mark is dropped; a key that the library
// would cut short at its first NUL, as it would any UTF-16 key, is refused. False with a reason.
bool TakeKeyAsWritten(std::string& key, std::string& reason)
{
    const std::string_view text = key;
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        reason = "is UTF-16";
        return false;
    }
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        reason = "holds a NUL byte at offset " + std::to_string(nul) + " (UTF-16?)";
        return false;
    }
    if (text.starts_with("\xEF\xBB\xBF")) key.erase(0, 3);
    return true;
}

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
    }

    int Run() override
    {
        std::ifstream file(keyFile_, std::ios::binary);
        if (!file || std::filesystem::is_directory(keyFile_)) {
            std::cerr << "vantrel: cannot read the answer key " << keyFile_ << "\n";
            return kExitUsage;
        }
        std::string key((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (std::string reason; !TakeKeyAsWritten(key, reason)) {
            std::cerr << "vantrel: the answer key " << keyFile_ << " " << reason
                      << "; save it as CP936 or UTF-8 text\n";
            return kExitUsage;
        }
        // The library breaks lines only at CR LF; a key saved with LF alone is one long line.
        if (key.find('\n') != std::string::npos && key.find("\r\n") == std::string::npos) {
            std::cerr << "vantrel: warning: " << keyFile_ << " has LF line breaks but no CR LF, so it is read as a "
                      << "single line and scores 0; convert it with unix2dos '" << keyFile_ << "' or sed -i 's/$/\\r/' '"
                      << keyFile_ << "'\n";
        }
        for (const auto* dir : {&answers_, &keys_}) {
            if (!std::filesystem::is_directory(*dir)) {
                std::cerr << "vantrel: no such directory: " << *dir << "\n";
                return kExitUsage;
            }
        }
        ApplyCodePage(codePage_);

        BlockCollector collector;
        double mark = 0;
        try {
            mark = GradeAnswerKey(key.c_str(), answers_.c_str(), keys_.c_str(), json_ ? &collector : nullptr);
        } catch (...) {
            mark = 0;  // as the library's own entry point: a failure grades as 0
        }
        if (!json_) {
            std::cout << ShortestDecimal(mark) << "\n";
            return kExitDone;
        }
        nlohmann::json blocks = nlohmann::json::array();
        for (const auto& block : collector.blocks) blocks.push_back(ToJson(block));
        std::cout << JsonText({{"mark", mark}, {"blocks", blocks}}) << "\n";
        return kExitDone;
    }

private:
    std::string keyFile_;
    std::string answers_;
    std::string keys_;
    std::string codePage_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeGradeCommand(CLI::App& app) { return std::make_unique<GradeCommand>(app); }

}  // namespace vantrel::cli
