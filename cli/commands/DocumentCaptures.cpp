#include "commands/DocumentCaptures.h"

#include <filesystem>

#include "effects/session/HostControl.h"
#include "hosting/headless/HeadlessBuildPlatform.h"

using vantrel::effects::compare::CaptureSlot;
using vantrel::effects::compare::SlotOf;

namespace vantrel::cli::commands {

CDocumentCaptures::CDocumentCaptures(int bitsPerPixel)
{
    hosting::DefaultHeadlessPlatform().Desktop().SetDisplayDepth(bitsPerPixel);
    // The studio is installed with the platform, so it always starts.
    if (editor_.Start()) effects::session::FindMainWindow();
}

CDocumentCaptures::~CDocumentCaptures()
{
    try {
        editor_.End();
    } catch (const platform::AutomationError&) {
    }
}

bool CDocumentCaptures::Capture(const std::string& path, CaptureSlot slot, std::string& reason)
{
    const std::filesystem::path file = std::filesystem::absolute(path);
    auto& image = SlotOf(slots_, slot);
    if (!effects::session::CaptureDocument(file.parent_path().string() + "/", file.filename().string(), image, &reason))
        return false;
    if (image) return true;
    reason = "the studio showed no window for " + path;
    return false;
}

}  // namespace vantrel::cli::commands
