#include "platform/headless/RecordingMessageBox.h"

#include <cstdio>

namespace vantrel::platform {

void CRecordingMessageBox::Show(const std::string& utf8Text)
{
    // A process that grades for days keeps only the latest messages.
    if (messages_.size() == kKeptMessages) messages_.erase(messages_.begin());
    messages_.push_back(utf8Text);
    if (echo_) {
        std::fwrite(utf8Text.data(), 1, utf8Text.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

}  // namespace vantrel::platform
