#pragma once

#include "platform/Platform.h"
#include "platform/headless/HeadlessPlatform.h"

namespace vantrel::testing {

// Installs a platform for the life of a test and restores the one before it.
template <typename Platform = platform::CHeadlessPlatform>
class ScopedPlatform {
public:
    ScopedPlatform() : previous_(platform::InstallPlatform(&platform_)) {}
    ~ScopedPlatform() { platform::InstallPlatform(previous_); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

    Platform& operator*() { return platform_; }
    Platform* operator->() { return &platform_; }

private:
    Platform platform_;
    platform::IPlatform* previous_;
};

}  // namespace vantrel::testing
