#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace vantrel::platform {

// Nobody is there to press OK, so a message is kept for tests and, unless they silence it,
// shown on standard error where a person running the command would see it.
class CRecordingMessageBox : public IMessageBox {
public:
    void Show(const std::string& utf8Text) override;

    void SetEchoToStandardError(bool echo) { echo_ = echo; }
    const std::vector<std::string>& Messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }

private:
    bool echo_ = true;
    std::vector<std::string> messages_;
};

}  // namespace vantrel::platform
