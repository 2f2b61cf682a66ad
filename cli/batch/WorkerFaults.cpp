#include "batch/WorkerFaults.h"

#include <cstdlib>
#include <unistd.h>

namespace vantrel::cli::batch {

void ApplyWorkerFault([[maybe_unused]] const std::string& examinee)
{
#ifdef VANTREL_WORKER_FAULTS
    if (const char* name = std::getenv("VANTREL_TEST_CRASH_EXAMINEE"); name && examinee == name) std::abort();
    if (const char* name = std::getenv("VANTREL_TEST_HANG_EXAMINEE"); name && examinee == name)
        for (;;) ::pause();
#endif
}

}  // namespace vantrel::cli::batch
