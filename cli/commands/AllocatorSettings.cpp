#include "commands/AllocatorSettings.h"

#include <cstdlib>  // brings in glibc's feature macros
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantrel::cli::commands {

void KeepFreedMemory()
{
#if defined(__GLIBC__)
    // glibc maps each buffer above 128 KiB on its own and hands the heap's top back after each
    // document, so every document's row and chunk buffers are faulted in afresh: a batch worker
    // spent more time in the kernel than grading. Buffers below 32 MiB come from the heap, and
    // up to 64 MiB of free top stays with the process; a worker still peaks at a few MB.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

}  // namespace vantrel::cli::commands
