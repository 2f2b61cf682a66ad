#include "platform/win32/Win32CallbackBoundary.h"

namespace vantrel::platform {

namespace {
thread_local std::exception_ptr theCallbackFailure;
}  // namespace

void KeepCallbackFailure(std::exception_ptr failure) noexcept
{
    if (!theCallbackFailure) theCallbackFailure = std::move(failure);
}

void RethrowCallbackFailure()
{
    if (!theCallbackFailure) return;
    std::exception_ptr failure = std::move(theCallbackFailure);
    theCallbackFailure = nullptr;
    std::rethrow_exception(failure);
}

}  // namespace vantrel::platform
