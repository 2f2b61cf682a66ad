#pragma once

#include <memory>
#include <string>

#include "grading/MarkSession.h"
#include "platform/headless/HeadlessPlatform.h"

namespace vantrel::cli {

// Runs the document steps of an effect criterion against the built-in studio on a private
// headless platform, so that a capture here is exactly the one grading takes.
class CStudioSession {
public:
    explicit CStudioSession(int bitsPerPixel);
    ~CStudioSession();
    CStudioSession(const CStudioSession&) = delete;
    CStudioSession& operator=(const CStudioSession&) = delete;

    // Shows the document at a file-system path and captures it into a slot. False with a
    // reason when the studio cannot open it.
    bool Capture(const std::string& path, int slot, std::string& reason);

    CMarkSession& Session() { return session_; }

private:
    platform::CHeadlessPlatform platform_;
    platform::IPlatform* previous_;
    CMarkSession session_{"", ""};
};

}  // namespace vantrel::cli
