#include "batch/WorkerFaults.h"

#include <cstdlib>
#include <unistd.h>

#include "platform/Platform.h"

namespace vantrel::cli::batch {

void ApplyWorkerFault([[maybe_unused]] const std::string& examinee)
{
#ifdef VANTREL_WORKER_FAULTS
    if (const char* name = std::getenv("VANTREL_TEST_CRASH_EXAMINEE"); name && examinee == name) std::abort();
    if (const char* name = std::getenv("VANTREL_TEST_HANG_EXAMINEE"); name && examinee == name)
        for (;;) ::pause();
    if (const char* name = std::getenv("VANTREL_TEST_MESSAGE_EXAMINEE"); name && examinee == name)
        platform::ActivePlatform().MessageBox().Show("Start Photoshop \xE5\xA4\xB1\xE8\xB4\xA5!");
#endif
}

}  // namespace vantrel::cli::batch
