#include "platform/headless/VirtualClock.h"

namespace vantrel::platform {

void CVirtualClock::Idle(std::uint32_t ms)
{
    if (wakesEarly_)
        ms = static_cast<std::uint32_t>((std::uint64_t{ms} * 2 + 2) / 3);
    ticks_ += ms;  // unsigned: wraps at 2^32 like the real counter
    idled_ += ms;
}

}  // namespace vantrel::platform
