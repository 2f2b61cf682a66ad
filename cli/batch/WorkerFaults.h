#pragma once

#include <string>

namespace vantrel::cli::batch {

// Builds for the tests (VANTREL_WORKER_FAULTS) make the worker that grades the examinee named
// by VANTREL_TEST_CRASH_EXAMINEE abort, the one named by VANTREL_TEST_HANG_EXAMINEE hang, as
// hostile documents could, and the one named by VANTREL_TEST_MESSAGE_EXAMINEE raise the message
// box of an editor that would not start. Elsewhere this does nothing and reads no variable.
void ApplyWorkerFault(const std::string& examinee);

}  // namespace vantrel::cli::batch
