#include "commands/CaptureCommand.h"

#include <iostream>

#include "commands/PngWriter.h"
#include "commands/DocumentCaptures.h"
#include "text/CodePage.h"

using vantrel::effects::compare::CaptureSlot;
using vantrel::effects::compare::ImageIn;

namespace vantrel::cli::commands {

namespace {

class CaptureCommand : public Command {
public:
    explicit CaptureCommand(CLI::App& parent)
    {
        app = parent.add_subcommand("capture", "Write the 200 x 160 capture that grading takes of a document");
        app->add_option("FILE", file_, "the document")->required();
        app->add_option("-o,--output", output_, "the PNG to write")->required();
        app->add_option("--bpp", bitsPerPixel_, "the display's bits per pixel")
            ->check(CLI::IsMember({32, 24, 16}))
            ->default_val(32);
    }

    int Run() override
    {
        // Paths on the command line are the file system's own.
        text::SetCodePage(text::CodePage::Utf8);
        CDocumentCaptures captures(bitsPerPixel_);
        std::string reason;
        if (!captures.Capture(file_, CaptureSlot::Examinee, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        if (!WriteCapturePng(*ImageIn(captures.Slots(), CaptureSlot::Examinee), output_, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        return kExitDone;
    }

private:
    std::string file_;
    std::string output_;
    int bitsPerPixel_ = 32;
};

}  // namespace

std::unique_ptr<Command> MakeCaptureCommand(CLI::App& app) { return std::make_unique<CaptureCommand>(app); }

}  // namespace vantrel::cli::commands
