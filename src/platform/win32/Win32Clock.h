#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// The system's millisecond counter, and sleeping for the waits.
class CWin32Clock : public IClock {
public:
    std::uint32_t TickCount() override;
    void Idle(std::uint32_t ms) override;
};

}  // namespace vantrel::platform
