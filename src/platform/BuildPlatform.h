#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// The backend this build brings along: Win32 on Windows, the headless platform elsewhere.
// Created on first use and kept for the life of the process.
IPlatform& BuildPlatform();

}  // namespace vantrel::platform
