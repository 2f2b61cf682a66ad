#include "commands/InspectCommand.h"

#include <filesystem>
#include <iostream>

#include <nlohmann/json.hpp>

#include "commands/JsonText.h"
#include "document/PsdHeader.h"
#include "studio/formats/RenderDocument.h"
#include "studio/formats/FileKinds.h"
#include "text/ColorModeNames.h"

using vantrel::document::CPsdHeader;

namespace vantrel::cli::commands {

namespace {

// The names answer keys use, and the format's own names for the other modes.
std::string ColorModeName(int code)
{
    const text::ColorModeName* mode = text::FindColorMode(code);
    return std::string(mode ? mode->keyword : "UNKNOWN");
}

// The kind of file by its content, as the studio tells kinds apart: "PSD", "JPEG", ... or
// "unknown".
std::string FileKindName(const std::string& path)
{
    studio::io::CDocumentFile file(path);
    const studio::formats::CFileKind* kind = file.IsOpen() ? studio::formats::SniffFileKind(file) : nullptr;
    return kind ? kind->name : "unknown";
}

constexpr const char* kNotPsdNote =
    "property criteria read only PSD headers: these values are this file's first bytes read as one";

// The signature as printable text: other bytes are shown as \xNN.
std::string PrintableSignature(const char* signature)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(signature[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

// Whether the capture of a document is drawn from its layers, and what that drawing leaves
// out, so that an examiner sees what the capture does not show.
struct LayerDrawing {
    bool fromLayers = false;
    std::vector<std::string> skipped;
};

LayerDrawing DrawingOf(const std::string& file)
{
    std::string reason;
    const auto rendered = studio::formats::RenderDocument(file, 200, 160, reason);
    if (!rendered) return {};
    return {rendered->fromLayers, rendered->skippedLayerFeatures};
}

class InspectCommand : public Command {
public:
    explicit InspectCommand(CLI::App& parent)
    {
        app = parent.add_subcommand("inspect", "Print the header values that property criteria see");
        app->add_option("FILE", files_, "documents to inspect")->required();
        app->add_flag("--json", json_, "print JSON");
    }

    int Run() override
    {
        int status = kExitDone;
        nlohmann::json all = nlohmann::json::array();
        for (const auto& file : files_) {
            platform::IFiles& files = platform::ActivePlatform().Files();
            const int handle = std::filesystem::is_directory(file) ? -1 : files.OpenReadOnly(file);
            if (handle == -1) {
                std::cerr << "vantrel: cannot open " << file << "\n";
                status = kExitFailed;
                continue;
            }
            const CPsdHeader h = document::ReadPsdHeader(files, handle);
            files.Close(handle);
            // Property criteria read every file as a PSD header; a file of another kind still
            // shows what they see, and says so.
            const std::string kind = FileKindName(file);
            const bool psd = kind == "PSD";
            const LayerDrawing drawing = psd ? DrawingOf(file) : LayerDrawing{};
            if (json_) {
                nlohmann::json entry = {{"file", file}, {"kind", kind}, {"signature", PrintableSignature(h.signature)},
                                        {"version", h.version}, {"channels", h.channels}, {"height", h.height},
                                        {"width", h.width}, {"depth", h.depth}, {"color_mode", h.colorMode},
                                        {"color_mode_name", ColorModeName(h.colorMode)}};
                if (!psd) entry["note"] = kNotPsdNote;
                if (drawing.fromLayers) {
                    entry["drawn_from_layers"] = true;
                    entry["not_drawn"] = drawing.skipped;
                }
                all.push_back(entry);
            } else {
                std::cout << file << ": " << kind << " file, signature " << PrintableSignature(h.signature)
                          << ", version " << h.version << ", channels " << h.channels << ", height " << h.height
                          << ", width " << h.width << ", depth " << h.depth << ", color mode " << h.colorMode << " ("
                          << ColorModeName(h.colorMode) << ")";
                if (!psd) std::cout << "; " << kNotPsdNote;
                if (drawing.fromLayers) std::cout << ", drawn from layers";
                std::cout << "\n";
                for (const std::string& line : drawing.skipped) std::cout << "  not drawn: " << line << "\n";
            }
        }
        if (json_) std::cout << JsonText(all) << "\n";
        return status;
    }

private:
    std::vector<std::string> files_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeInspectCommand(CLI::App& app) { return std::make_unique<InspectCommand>(app); }

}  // namespace vantrel::cli::commands
