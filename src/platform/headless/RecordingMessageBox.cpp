#include "platform/headless/RecordingMessageBox.h"
#include "platform/headless/RecentRecords.h"

#include <cstdio>

namespace vantrel::platform {

void CRecordingMessageBox::Show(const std::string& utf8Text)
{
    AppendRecent(messages_, utf8Text);
    if (echo_) {
        std::fwrite(utf8Text.data(), 1, utf8Text.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

}  // namespace vantrel::platform
