#pragma once

namespace vantrel {

// Blocks the calling thread for whole seconds of the platform's tick counter.
void WaitSeconds(int seconds);

}  // namespace vantrel
