#include "batch/GradingTroubleWatch.h"

#include <new>

#include <sys/resource.h>

namespace vantrel::cli::batch {

namespace {

// Set from the new-handler, which may run anywhere below grading; read once grading is done.
bool theAllocationFailed = false;

// Notes the failure and fails the allocation as operator new would have.
void NoteFailedAllocation()
{
    theAllocationFailed = true;
    throw std::bad_alloc();
}

std::string OutOfMemory()
{
    rlimit cap{};
    if (::getrlimit(RLIMIT_AS, &cap) != 0 || cap.rlim_cur == RLIM_INFINITY) return "out of memory";
    return "out of memory: a worker may map " + std::to_string((cap.rlim_cur + (1 << 19)) >> 20) +
           " MiB (--worker-memory)";
}

}  // namespace

void CGradingTroubleWatch::CRecordingPlatform::Show(const std::string& utf8Text)
{
    if (!first_) first_ = utf8Text;
}

CGradingTroubleWatch::CGradingTroubleWatch()
    : platform_(platform::ActivePlatform()),
      replaced_(platform::InstallPlatform(&platform_)),
      replacedHandler_(std::set_new_handler(NoteFailedAllocation))
{
    theAllocationFailed = false;
}

CGradingTroubleWatch::~CGradingTroubleWatch()
{
    std::set_new_handler(replacedHandler_);
    platform::InstallPlatform(replaced_);
}

std::optional<std::string> CGradingTroubleWatch::Trouble() const
{
    if (theAllocationFailed) return OutOfMemory();
    if (platform_.FirstMessage()) return "the grading showed the message \"" + *platform_.FirstMessage() + "\"";
    return std::nullopt;
}

}  // namespace vantrel::cli::batch
