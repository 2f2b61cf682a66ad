#pragma once

#include <memory>
#include <string>

#include "studio/app/StudioApplication.h"
#include "studio/app/StudioAutomationIds.h"

namespace vantrel::studio::app {
class CRenderCache;
}  // namespace vantrel::studio::app

namespace vantrel::platform {
class CHeadlessPlatform;
}  // namespace vantrel::platform

namespace vantrel::hosting {

using platform::CHeadlessPlatform;
using studio::app::CStudioApplication;

// Where the studio is installed on a headless platform.
struct StudioSetup {
    std::string executablePath = "C:\\Program Files\\vantrel\\Studio\\Photoshp.exe";
    std::string serverSwitch = "/Automation";
    std::string classId = studio::app::kStudioClassId;
};

// The studio as installed on one headless platform: registered as the automation server
// "Photoshop.Application" and as a program the launcher starts. At most one instance runs at
// a time; starting it again while it runs brings the running one forward, and asking for its
// automation object starts it when it is not running, as a local server would be.
class CStudioInstallation {
public:
    static constexpr const char* kProgId = "Photoshop.Application";

    // Registers the studio with the platform's registry, launcher and automation service.
    // The platform keeps the installation alive; the pointer lets tests look at it.
    static std::shared_ptr<CStudioInstallation> Install(CHeadlessPlatform& platform, StudioSetup setup = {});

    const StudioSetup& Setup() const { return setup_; }
    // The instance that runs now, or null.
    std::shared_ptr<studio::app::CStudioApplication> RunningInstance() const;
    // The instance started last, running or ended, so tests can look at it afterwards.
    std::shared_ptr<studio::app::CStudioApplication> LastInstance() const { return last_; }
    int InstancesStarted() const { return started_; }

    // Starts an instance unless one runs, and gives the running one.
    std::shared_ptr<studio::app::CStudioApplication> EnsureRunning();

    // From now on every instance renders each version of a document in this folder once and
    // keeps the render for this installation's life; an empty folder keeps nothing. Asking for
    // the same folder again keeps what is kept.
    void CacheRendersUnder(const std::string& folder);
    // Every instance, from now on, tells sink of each document it opens whose drawing left
    // something out; an empty sink stops it.
    void ReportDrawingGapsTo(studio::app::CStudioApplication::DrawingGapSink sink);
    // The renders kept, or null when none are.
    std::shared_ptr<studio::app::CRenderCache> RenderCache() const { return renderCache_; }

private:
    CStudioInstallation(CHeadlessPlatform& platform, StudioSetup setup);

    CHeadlessPlatform& platform_;
    StudioSetup setup_;
    std::shared_ptr<studio::app::CStudioApplication> last_;
    std::shared_ptr<studio::app::CRenderCache> renderCache_;
    studio::app::CStudioApplication::DrawingGapSink drawingGaps_;
    int started_ = 0;
};

}  // namespace vantrel::hosting
