#pragma once

namespace vantrel::effects::session {

// Blocks the calling thread for whole seconds of the platform's tick counter.
void WaitSeconds(int seconds);

}  // namespace vantrel::effects::session
