#include "effects/session/WaitSeconds.h"

#include <cstdint>

#include "platform/Platform.h"

namespace vantrel::effects::session {

void WaitSeconds(int seconds)
{
    auto& clock = platform::ActivePlatform().Clock();
    const std::uint32_t duration = 1000u * static_cast<std::uint32_t>(seconds);
    const std::uint32_t start = clock.TickCount();
    // Elapsed ticks in unsigned arithmetic, so a counter that wraps never ends a wait early.
    for (std::uint32_t elapsed = 0; elapsed < duration; elapsed = clock.TickCount() - start)
        clock.Idle(duration - elapsed);
}

}  // namespace vantrel::effects::session
