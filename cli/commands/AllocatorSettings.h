#pragma once

namespace vantrel::cli::commands {

// Lets the process keep and reuse the memory it frees (see the .cpp for why).
void KeepFreedMemory();

}  // namespace vantrel::cli::commands
