#include "commands/CompareCommand.h"

#include <charconv>
#include <iostream>

#include "commands/DocumentCaptures.h"
#include "effects/compare/CaptureSlotComparison.h"
#include "text/CodePage.h"

using vantrel::effects::compare::CComparisonBufferPool;
using vantrel::effects::compare::CEffectReport;
using vantrel::effects::compare::CaptureSlot;
using vantrel::effects::compare::EffectMode;

namespace vantrel::cli::commands {

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
        CDocumentCaptures captures(32);
        std::string reason;
        // As in grading: an examinee's document that cannot be opened gives 0, a reference
        // that cannot be opened gives 1, and a starting image that cannot be opened is left out.
        // The similarity is printed as grading would take it, yet a file that could not be
        // opened is input not handled, so the status says so.
        if (!captures.Capture(examinee_, CaptureSlot::Examinee, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            PrintSimilarity(0);
            return kExitFailed;
        }
        if (!captures.Capture(reference_, CaptureSlot::Reference, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            PrintSimilarity(1);
            return kExitFailed;
        }
        bool everyFileOpened = true;
        if (!initial_.empty() && !captures.Capture(initial_, CaptureSlot::Initial, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            everyFileOpened = false;
        }
        CEffectReport report;
        CComparisonBufferPool buffers;
        PrintSimilarity(effects::compare::SimilarityOfCaptures(captures.Slots(), partial_ ? EffectMode::Partial : EffectMode::Whole,
                                                      !initial_.empty(), platform::ActivePlatform().MessageBox(),
                                                      buffers, report));
        return everyFileOpened ? kExitDone : kExitFailed;
    }

private:
    std::string examinee_;
    std::string reference_;
    std::string initial_;
    bool partial_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeCompareCommand(CLI::App& app) { return std::make_unique<CompareCommand>(app); }

}  // namespace vantrel::cli::commands
