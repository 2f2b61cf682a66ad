#include "platform/headless/HeadlessLauncher.h"
#include "platform/headless/RecentRecords.h"

#include "platform/headless/AsciiCase.h"

#include <algorithm>

namespace vantrel::platform {

std::uint32_t CHeadlessLauncher::Launch(const std::string& commandLine, int showCommand)
{
    const std::uint32_t result = launchFails_ ? kFileNotFound : Start(commandLine);
    AppendRecent(launches_, LaunchRecord{commandLine, showCommand, result});
    return result;
}

std::uint32_t CHeadlessLauncher::Start(const std::string& commandLine)
{
    const std::string folded = FoldAsciiCase(commandLine);
    for (const Program& program : programs_) {
        const std::string& path = program.foldedPath;
        if (path.empty() || folded.compare(0, path.size(), path) != 0)
            continue;
        if (folded.size() == path.size()) {
            StartFunction start = program.start;  // the program may change the table
            start(std::string());
            return kStarted;
        }
        if (folded[path.size()] == ' ') {
            StartFunction start = program.start;
            start(commandLine.substr(path.size() + 1));
            return kStarted;
        }
    }
    return kFileNotFound;
}

void CHeadlessLauncher::RegisterProgram(const std::string& executablePath, StartFunction start)
{
    UnregisterProgram(executablePath);
    programs_.push_back({FoldAsciiCase(executablePath), std::move(start)});
}

void CHeadlessLauncher::UnregisterProgram(const std::string& executablePath)
{
    const std::string folded = FoldAsciiCase(executablePath);
    std::erase_if(programs_, [&](const Program& p) { return p.foldedPath == folded; });
}

}  // namespace vantrel::platform
