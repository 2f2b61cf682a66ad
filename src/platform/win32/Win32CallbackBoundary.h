#pragma once

#include <exception>
#include <utility>

namespace vantrel::platform {

// Windows calls back into our code from inside user32 (enumeration callbacks, window
// procedures). An exception must not unwind through those frames: the i686 unwinder cannot
// cross them, and std::terminate would end the examination host. A callback therefore runs
// guarded; what it throws is kept for this thread and thrown again once the API has returned.

// Keeps the first failure of this thread until it is thrown again.
void KeepCallbackFailure(std::exception_ptr failure) noexcept;
// Throws what a guarded callback of this thread kept, if anything, and forgets it.
void RethrowCallbackFailure();

template <typename Callback, typename Result>
Result RunGuarded(Callback&& callback, Result onFailure) noexcept
{
    try {
        return std::forward<Callback>(callback)();
    } catch (...) {
        KeepCallbackFailure(std::current_exception());
        return onFailure;
    }
}

}  // namespace vantrel::platform
