#include "CompareCommand.h"

#include <charconv>
#include <iostream>

#include "StudioSession.h"
#include "text/CodePage.h"

namespace vantrel::cli {

namespace {

void PrintSimilarity(double similarity)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, similarity);
    (void)error;
    std::cout << std::string(buffer, end) << "\n";
}

class CompareCommand : public Command {
public:
    explicit CompareCommand(CLI::App& parent)
    {
        app = parent.add_subcommand("compare", "Print the similarity an effect criterion gives for documents");
        app->add_option("EXAMINEE", examinee_, "the examinee's document")->required();
        app->add_option("REFERENCE", reference_, "the examiner's finished result")->required();
        app->add_option("--initial", initial_, "the starting image the examinee was given");
        app->add_flag("--partial", partial_, "compare only what changed against the starting image");
    }

    int Run() override
    {
        text::SetCodePage(text::CodePage::Utf8);
        CStudioSession studio(32);
        std::string reason;
        // As in grading: an examinee's document that cannot be opened gives 0, a reference
        // that cannot be opened gives 1, and a starting image that cannot be opened is left out.
        if (!studio.Capture(examinee_, 0, reason)) {
            std::cerr << "vantrel: cannot open " << examinee_ << ": " << reason << "\n";
            PrintSimilarity(0);
            return kExitDone;
        }
        if (!studio.Capture(reference_, 1, reason)) {
            std::cerr << "vantrel: cannot open " << reference_ << ": " << reason << "\n";
            PrintSimilarity(1);
            return kExitDone;
        }
        if (!initial_.empty() && !studio.Capture(initial_, 2, reason))
            std::cerr << "vantrel: cannot open " << initial_ << ": " << reason << "\n";
        CEffectReport report;
        PrintSimilarity(studio.Session().SimilarityOfCaptures(partial_ ? 1 : 0, !initial_.empty(), report));
        return kExitDone;
    }

private:
    std::string examinee_;
    std::string reference_;
    std::string initial_;
    bool partial_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeCompareCommand(CLI::App& app) { return std::make_unique<CompareCommand>(app); }

}  // namespace vantrel::cli
