#pragma once

namespace vantrel::cli {

// Lets the process keep and reuse the memory it frees (see the .cpp for why).
void KeepFreedMemory();

}  // namespace vantrel::cli
