#pragma once

#include "platform/Platform.h"

#include <functional>
#include <string>
#include <vector>

namespace vantrel::platform {

// Starts the programs registered with it. A command line names a program when it is the
// program's path, or the path followed by a blank and arguments, without regard to case;
// anything else fails as a missing file would.
class CHeadlessLauncher : public ILauncher {
public:
    static constexpr std::uint32_t kStarted = 33;
    static constexpr std::uint32_t kFileNotFound = 2;

    using StartFunction = std::function<void(const std::string& arguments)>;

    std::uint32_t Launch(const std::string& commandLine, int showCommand) override;

    void RegisterProgram(const std::string& executablePath, StartFunction start);
    void UnregisterProgram(const std::string& executablePath);

    // Fault switch: every launch fails as if the program were missing.
    void SetLaunchFails(bool fails) { launchFails_ = fails; }

    struct LaunchRecord {
        std::string commandLine;
        int showCommand = 0;
        std::uint32_t result = 0;
    };
    const std::vector<LaunchRecord>& Launches() const { return launches_; }

private:
    struct Program {
        std::string foldedPath;
        StartFunction start;
    };
    std::uint32_t Start(const std::string& commandLine);

    std::vector<Program> programs_;
    std::vector<LaunchRecord> launches_;
    bool launchFails_ = false;
};

}  // namespace vantrel::platform
