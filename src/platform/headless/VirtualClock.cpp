#include "platform/headless/VirtualClock.h"

namespace vantrel::platform {

void CVirtualClock::Idle(std::uint32_t ms)
{
    ticks_ += ms;  // unsigned: wraps at 2^32 like the real counter
    idled_ += ms;
}

}  // namespace vantrel::platform
