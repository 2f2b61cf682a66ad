#pragma once

#include "platform/Platform.h"

#include <cstdint>

namespace vantrel::platform {

// Time that passes only when someone waits: a wait returns at once, and tests read how long
// it would have lasted.
class CVirtualClock : public IClock {
public:
    std::uint32_t TickCount() override { return ticks_; }
    void Idle(std::uint32_t ms) override;

    // Starts the counter anywhere, for example just below 2^32 to exercise its wrap.
    void SetTickCount(std::uint32_t ticks) { ticks_ = ticks; }
    // All time spent idle since construction, without wrapping.
    std::uint64_t IdledMilliseconds() const { return idled_; }
    // Each idle then lasts two thirds of the time asked, rounded up, as a sleep does that a
    // timer wakes early: a wait must look at the counter again.
    void SetWakesEarly(bool early) { wakesEarly_ = early; }

private:
    std::uint32_t ticks_ = 0;
    std::uint64_t idled_ = 0;
    bool wakesEarly_ = false;
};

}  // namespace vantrel::platform
